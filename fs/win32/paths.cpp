// Full paths on Win32: the host's GetFullPathNameW, which resolves a text
// against the current directory of the drive it names (the "=X:" record for a
// drive that is not current) without looking at the file system, in UTF-16;
// the program gets the narrow form where it names the place exactly (a
// component the code page cannot hold by its 8.3 alias).
#include "fs/win32/win32_host.h"

#include <cstring>
#include <string>

namespace host {

const char* full_path(const char* text)
{
    static PathText buffer{};
    const auto full = full_path_long(text);
    // No exact narrow form, or none that fits a path buffer: the text itself.
    if (!full || full->size() >= buffer.size()) {
        return text;
    }
    copy_terminated(buffer, *full);
    return buffer.data();
}

std::optional<std::wstring> full_path_of_wide(const std::wstring& text)
{
    std::wstring full(MAX_PATH, L'\0');
    DWORD length =
        ::GetFullPathNameW(text.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) { // the room it needs, its NUL included
        full.assign(length, L'\0');
        length = ::GetFullPathNameW(text.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                    nullptr);
    }
    if (length == 0 || length >= full.size()) {
        return std::nullopt;
    }
    full.resize(length);
    return full;
}

std::optional<std::wstring> full_path_wide(const char* text)
{
    const auto wide = text != nullptr ? wide_of(text) : std::nullopt;
    return wide && !wide->empty() ? full_path_of_wide(*wide) : std::nullopt;
}

std::optional<std::string> full_path_long(const char* text)
{
    const auto full = full_path_wide(text);
    return full ? narrow_path(*full) : std::nullopt;
}

std::optional<std::string> full_path_shown(const char* text)
{
    const auto full = full_path_wide(text);
    return full ? std::optional<std::string>{narrow_shown(*full)} : std::nullopt;
}

} // namespace host
