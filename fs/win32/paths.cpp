// Full paths on Win32: the host's GetFullPathNameA, which resolves a text
// against the current directory of the drive it names (the "=X:" record for a
// drive that is not current) without looking at the file system. Beyond the
// 259 characters of the ANSI interface, the wide one gives the long form.
#include "fs/win32/win32_host.h"

#include <cstring>
#include <string>

namespace host {

namespace {

// A text converted between the ANSI code page and UTF-16; nothing when it
// cannot be.
std::optional<std::wstring> wide_text(const char* text)
{
    const int room = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (room <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(room), L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), room) != room) {
        return std::nullopt;
    }
    wide.pop_back(); // the NUL the count included
    return wide;
}

// A character the code page cannot hold would come out as '?', a text that
// names another place: such a text has no narrow form. (A UTF-8 code page
// holds every character, and the host refuses to be asked about it.)
std::optional<std::string> narrow_text(const std::wstring& wide)
{
    BOOL lossy = FALSE;
    BOOL* const ask_lossy = ::GetACP() == CP_UTF8 ? nullptr : &lossy;
    const int room =
        ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, ask_lossy);
    if (room <= 0 || lossy != FALSE) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(room), '\0');
    if (::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), room, nullptr, nullptr) !=
        room) {
        return std::nullopt;
    }
    text.pop_back();
    return text;
}

} // namespace

const char* full_path(const char* text)
{
    static PathText buffer{};
    if (text == nullptr) {
        return text;
    }
    const DWORD length =
        ::GetFullPathNameA(text, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    // 0: no full form; a length past the buffer: it did not fit, and the
    // buffer holds nothing valid.
    if (length == 0 || length >= buffer.size()) {
        return text;
    }
    return buffer.data();
}

std::optional<std::wstring> full_path_wide(const char* text)
{
    if (text == nullptr) {
        return std::nullopt;
    }
    const auto wide = wide_text(text);
    if (!wide) {
        return std::nullopt;
    }
    std::wstring full(MAX_PATH, L'\0');
    DWORD length =
        ::GetFullPathNameW(wide->c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) { // the room it needs, its NUL included
        full.assign(length, L'\0');
        length = ::GetFullPathNameW(wide->c_str(), static_cast<DWORD>(full.size()), full.data(),
                                    nullptr);
    }
    if (length == 0 || length >= full.size()) {
        return std::nullopt;
    }
    full.resize(length);
    return full;
}

std::optional<std::string> full_path_long(const char* text)
{
    const auto full = full_path_wide(text);
    return full ? narrow_text(*full) : std::nullopt;
}

} // namespace host
