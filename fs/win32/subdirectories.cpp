// The subdirectories of the current directory on Win32, for the walk: kept
// from the search of the pass where it took every entry, or found by a
// search of the walk's own. Each is named as the listing shows it and reached
// by the UTF-16 name the search read, which no code page spoils (or by its
// alias, where the host could not read the name itself).
#include "fs/win32/win32_host.h"

#include <utility>

namespace host {

namespace {

// The host's stand-in for a name's bytes that make no character (a name
// Linux keeps under Wine): such a name opens nothing.
constexpr wchar_t REPLACEMENT_CHARACTER = 0xFFFD;

std::optional<std::vector<Subdirectory>> kept;

bool is_dot_name(std::wstring_view name)
{
    return name == L"." || name == L"..";
}

template <std::size_t N> std::wstring_view bounded_wide(const wchar_t (&text)[N])
{
    std::size_t length = 0;
    while (length < N && text[length] != L'\0') {
        ++length;
    }
    return {text, length};
}

} // namespace

std::wstring_view long_name_of(const WIN32_FIND_DATAW& found)
{
    return bounded_wide(found.cFileName);
}

std::wstring_view alias_of(const WIN32_FIND_DATAW& found)
{
    return bounded_wide(found.cAlternateFileName);
}

std::string shown_name(const WIN32_FIND_DATAW& found)
{
    const std::wstring_view name = long_name_of(found);
    return narrow_exact(name).value_or(narrow_shown(name));
}

void note_subdirectory(const WIN32_FIND_DATAW& found, std::vector<Subdirectory>& subdirectories)
{
    const std::wstring_view name = long_name_of(found);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || is_dot_name(name)) {
        return;
    }
    const bool unreadable = name.find(REPLACEMENT_CHARACTER) != std::wstring_view::npos;
    const std::wstring_view way = unreadable && !alias_of(found).empty() ? alias_of(found) : name;
    subdirectories.push_back({shown_name(found), found.dwFileAttributes, host_key_of(way)});
}

void keep_subdirectories(std::vector<Subdirectory> found)
{
    kept = std::move(found);
}

void left_current_dir()
{
    kept.reset();
}

std::optional<std::vector<Subdirectory>> subdirectories()
{
    if (kept) {
        return std::exchange(kept, std::nullopt);
    }
    WIN32_FIND_DATAW found{};
    const HANDLE handle = find_first_wide("*", found);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt; // the current directory is there: it failed to read
    }
    std::vector<Subdirectory> subdirectories;
    do {
        note_subdirectory(found, subdirectories);
    } while (::FindNextFileW(handle, &found) != 0);
    const DWORD error = ::GetLastError();
    ::FindClose(handle);
    if (error != ERROR_NO_MORE_FILES) {
        return std::nullopt;
    }
    return subdirectories;
}

} // namespace host
