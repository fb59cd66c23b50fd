// The unfiltered directory search on Win32: the host's own FindFirstFileA
// family, its find-data record copied into the layer's FindResult. The host
// matches '*' and '?' case-blind against the long name and the 8.3 alias.
// A directory pass that also gathers the subdirectories for the walk reads
// the whole directory once ("*") and matches each entry itself, against
// either name, with the matching rules every host layer shares.
#include "fs/win32/win32_host.h"

#include <string>
#include <string_view>

namespace host {

struct Search {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA pending{}; // the entry FindFirstFileA gave, not yet looked at
    bool has_pending = false;
    // A pass's search: "." and ".." left out, directories delivered or not,
    // and the pattern's last component matched here when it is not empty.
    bool for_pass = false;
    bool deliver_directories = true;
    std::string name_pattern;
    std::string* subdirectories = nullptr;
    bool read_failed = false; // the host's search stopped on a failed read

    Search() = default;
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    ~Search()
    {
        if (handle != INVALID_HANDLE_VALUE) {
            ::FindClose(handle);
        }
    }
};

namespace {

// The ANSI interface writes it for a character the code page cannot hold:
// such a long name opens nothing, and the alias is the name to use.
constexpr char UNMAPPED_CHARACTER = '?';

std::string_view long_name(const WIN32_FIND_DATAA& found)
{
    return bounded_text(found.cFileName, sizeof found.cFileName);
}

std::string_view alias(const WIN32_FIND_DATAA& found)
{
    return bounded_text(found.cAlternateFileName, sizeof found.cAlternateFileName);
}

void copy_found(const WIN32_FIND_DATAA& found, FindResult& result)
{
    result.dwFileAttributes = found.dwFileAttributes;
    result.ftCreationTime = file_time(found.ftCreationTime);
    result.ftLastAccessTime = file_time(found.ftLastAccessTime);
    result.ftLastWriteTime = file_time(found.ftLastWriteTime);
    result.nFileSizeHigh = found.nFileSizeHigh;
    result.nFileSizeLow = found.nFileSizeLow;
    copy_terminated(result.cFileName, long_name(found));
    copy_terminated(result.cAlternateFileName, alias(found));
}

// The errors that only say the search has nothing (more) to give.
bool is_end(DWORD error)
{
    return error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_PATH_NOT_FOUND;
}

bool is_directory(const WIN32_FIND_DATAA& found)
{
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The next entry of the host's search; false at its end or on a failed read.
bool next_entry(Search& search, WIN32_FIND_DATAA& found)
{
    if (search.has_pending) {
        search.has_pending = false;
        found = search.pending;
        return true;
    }
    if (::FindNextFileA(search.handle, &found) == 0) {
        search.read_failed = !is_end(::GetLastError());
        return false;
    }
    return true;
}

bool accepted(const Search& search, const WIN32_FIND_DATAA& found)
{
    if (!search.for_pass) {
        return true;
    }
    if (is_dot_entry(long_name(found)) || (is_directory(found) && !search.deliver_directories)) {
        return false;
    }
    return search.name_pattern.empty() || name_matches(search.name_pattern, long_name(found)) ||
           (!alias(found).empty() && name_matches(search.name_pattern, alias(found)));
}

// Keeps the name of a subdirectory the walk may enter: never a link or
// junction (a reparse point), and by its alias when the long name lost a
// character to the code page.
void gather_subdirectory(Search& search, const WIN32_FIND_DATAA& found)
{
    if (search.subdirectories == nullptr || !is_directory(found) ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        is_dot_entry(long_name(found))) {
        return;
    }
    const std::string_view name = long_name(found);
    const bool lossy = name.find(UNMAPPED_CHARACTER) != std::string_view::npos;
    search.subdirectories->append(lossy && !alias(found).empty() ? alias(found) : name);
    search.subdirectories->push_back('\0');
}

bool next_accepted(Search& search, FindResult& result)
{
    WIN32_FIND_DATAA found{};
    while (next_entry(search, found)) {
        gather_subdirectory(search, found);
        if (accepted(search, found)) {
            copy_found(found, result);
            return true;
        }
    }
    return false;
}

// A name without wildcards as the host looks it up: the trailing dots and
// spaces of a path's last component are no part of it.
std::string_view as_looked_up(std::string_view name)
{
    if (has_wildcards(name)) {
        return name;
    }
    const std::size_t last = name.find_last_not_of(". ");
    return last == std::string_view::npos ? std::string_view{} : name.substr(0, last + 1);
}

// Starts the host's search; the first entry waits in the search.
SearchHandle start(std::unique_ptr<Search> search, const char* pattern)
{
    search->handle = ::FindFirstFileA(pattern, &search->pending);
    if (search->handle == INVALID_HANDLE_VALUE) {
        return INVALID_SEARCH; // nothing matches, or the directory cannot be read
    }
    search->has_pending = true;
    return search.release();
}

// The first accepted entry of a started search; none, and the search ended,
// when there is none, with read_failed saying why.
SearchHandle first_accepted(SearchHandle search, FindResult& result, bool* read_failed)
{
    if (read_failed != nullptr) {
        *read_failed = false;
    }
    if (search != INVALID_SEARCH && !next_accepted(*search, result)) {
        if (read_failed != nullptr) {
            *read_failed = search->read_failed;
        }
        FindClose(search);
        return INVALID_SEARCH;
    }
    return search;
}

} // namespace

SearchHandle FindFirstFileA(const char* pattern, FindResult& result, bool* read_failed)
{
    if (pattern == nullptr) {
        return first_accepted(INVALID_SEARCH, result, read_failed);
    }
    return first_accepted(start(std::make_unique<Search>(), pattern), result, read_failed);
}

SearchHandle find_first_for_pass(const char* pattern, FindResult& result, PassSearch pass,
                                 bool* read_failed)
{
    if (pattern == nullptr || !fits_room(pattern, PATH_ROOM)) {
        return first_accepted(INVALID_SEARCH, result, read_failed);
    }
    auto search = std::make_unique<Search>();
    search->for_pass = true;
    search->deliver_directories = pass.deliver_directories;
    search->subdirectories = pass.subdirectories;
    const PatternParts parts = split_search_pattern(pattern);
    const std::string_view name = as_looked_up(parts.name);
    if (pass.subdirectories == nullptr || name.empty()) {
        return first_accepted(start(std::move(search), pattern), result, read_failed);
    }
    // One read of the whole directory serves the pass and the walk.
    search->name_pattern = name;
    const std::string every_entry = std::string(parts.directory) + "*";
    return first_accepted(start(std::move(search), every_entry.c_str()), result, read_failed);
}

bool FindNextFileA(SearchHandle search, FindResult& result)
{
    return search != INVALID_SEARCH && next_accepted(*search, result);
}

void FindClose(SearchHandle search)
{
    delete search;
}

bool search_read_failed(SearchHandle search)
{
    return search != INVALID_SEARCH && search->read_failed;
}

} // namespace host
