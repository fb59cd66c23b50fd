// Names between the host's UTF-16 and the program's code page. The host
// keeps every name in UTF-16; the program's texts are in its ANSI code page,
// which may not hold every character. A name is used as a path only where
// its narrow form is exact: the host's own "best fit" would write a
// look-alike (U+FF3C as '\', 'Ā' as 'A') and so name another place. What
// the code page cannot hold is shown as '?' and never looked up.
#include "fs/win32/win32_host.h"

#include <array>
#include <string>

namespace host {

namespace {

constexpr UINT UTF8_CODE_PAGE = 65001;
// What a host that could not read a name's bytes as characters (Wine, for a
// Linux name that is not UTF-8) gives in its place: no file has it.
constexpr wchar_t REPLACEMENT_CHARACTER = 0xFFFD;
constexpr std::string_view HEX_DIGITS = "0123456789abcdef";
constexpr std::size_t HEX_PER_UNIT = 4;

bool speaks_utf8()
{
    static const bool utf8 = ::GetACP() == UTF8_CODE_PAGE;
    return utf8;
}

// The text converted with flags; the used-default answer asked where the
// code page allows it (UTF-8 does not: there an invalid unit fails instead).
std::optional<std::string> to_narrow(std::wstring_view text, DWORD flags, BOOL* used_default)
{
    if (text.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    const int room = ::WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0,
                                           nullptr, used_default);
    if (room <= 0) {
        return std::nullopt;
    }
    std::string narrow(static_cast<std::size_t>(room), '\0');
    if (::WideCharToMultiByte(CP_ACP, flags, text.data(), length, narrow.data(), room, nullptr,
                              used_default) != room) {
        return std::nullopt;
    }
    return narrow;
}

// The component of a full path that begins at start, up to the next '\'.
std::wstring_view component_at(std::wstring_view path, std::size_t start)
{
    const std::size_t end = path.find(L'\\', start);
    return path.substr(start, end == std::wstring_view::npos ? path.size() - start : end - start);
}

// The 8.3 alias of the last component of path, exact in the code page;
// nothing where the volume keeps none or it is not exact either.
std::optional<std::string> alias_of(const std::wstring& path)
{
    std::wstring short_path(MAX_PATH, L'\0');
    DWORD length = ::GetShortPathNameW(path.c_str(), short_path.data(),
                                       static_cast<DWORD>(short_path.size()));
    if (length >= short_path.size()) {
        short_path.assign(length, L'\0');
        length = ::GetShortPathNameW(path.c_str(), short_path.data(),
                                     static_cast<DWORD>(short_path.size()));
    }
    if (length == 0 || length >= short_path.size()) {
        return std::nullopt;
    }
    short_path.resize(length);
    const std::size_t separator = short_path.find_last_of(L'\\');
    const std::wstring_view alias = std::wstring_view(short_path).substr(
        separator == std::wstring::npos ? 0 : separator + 1);
    return narrow_exact(alias);
}

} // namespace

std::optional<std::wstring> wide_of(std::string_view text)
{
    if (text.empty()) {
        return std::wstring();
    }
    const int length = static_cast<int>(text.size());
    const int room = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (room <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(room), L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), room) != room) {
        return std::nullopt;
    }
    return wide;
}

std::optional<std::string> narrow_exact(std::wstring_view text)
{
    if (text.find(REPLACEMENT_CHARACTER) != std::wstring_view::npos) {
        return std::nullopt;
    }
    BOOL used_default = FALSE;
    const auto narrow = speaks_utf8() ? to_narrow(text, WC_ERR_INVALID_CHARS, nullptr)
                                      : to_narrow(text, WC_NO_BEST_FIT_CHARS, &used_default);
    // Converted back, it must be the very same units: no look-alike slipped in.
    if (!narrow || used_default != FALSE || wide_of(*narrow) != text) {
        return std::nullopt;
    }
    return narrow;
}

std::string narrow_shown(std::wstring_view text)
{
    const DWORD flags = speaks_utf8() ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL used_default = FALSE; // asked only so that the default is the host's '?'
    return to_narrow(text, flags, speaks_utf8() ? nullptr : &used_default).value_or("?");
}

std::optional<std::string> narrow_path(const std::wstring& path)
{
    if (auto whole = narrow_exact(path)) {
        return whole;
    }
    std::string narrow;
    for (std::size_t start = 0; start <= path.size();) {
        const std::wstring_view part = component_at(path, start);
        const std::size_t end = start + part.size();
        auto exact = narrow_exact(part);
        if (!exact) {
            exact = alias_of(path.substr(0, end));
        }
        if (!exact) {
            return std::nullopt; // no narrow text names this component
        }
        narrow += *exact;
        if (end < path.size()) {
            narrow += '\\';
        }
        start = end + 1;
    }
    return narrow;
}

std::string host_key_of(std::wstring_view name)
{
    std::string key;
    key.reserve(name.size() * HEX_PER_UNIT);
    for (const wchar_t unit : name) {
        for (int shift = 12; shift >= 0; shift -= 4) {
            key += HEX_DIGITS[(static_cast<unsigned>(unit) >> shift) & 0xFu];
        }
    }
    return key;
}

std::optional<std::wstring> name_of_host_key(std::string_view key)
{
    if (key.empty() || key.size() % HEX_PER_UNIT != 0) {
        return std::nullopt;
    }
    std::wstring name;
    for (std::size_t at = 0; at < key.size(); at += HEX_PER_UNIT) {
        unsigned unit = 0;
        for (std::size_t digit = 0; digit < HEX_PER_UNIT; ++digit) {
            const std::size_t value = HEX_DIGITS.find(key[at + digit]);
            if (value == std::string_view::npos) {
                return std::nullopt;
            }
            unit = unit << 4 | static_cast<unsigned>(value);
        }
        name += static_cast<wchar_t>(unit);
    }
    return name;
}

} // namespace host
