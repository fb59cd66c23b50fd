// The unfiltered directory search on Win32: the host's own FindFirstFileA
// family, its find-data record copied into the layer's FindResult. The host
// matches '*' and '?' case-blind against the long name and the 8.3 alias,
// with its own case rules for every character of its code page. A directory
// pass that also gathers the subdirectories for the walk reads the whole
// directory once ("*") when its pattern takes every entry; for any other
// pattern the host matches it in a search of its own, so that a walk finds
// what a plain listing finds.
#include "fs/win32/win32_host.h"

#include <string>
#include <string_view>

#include "fs/path_split.h"

namespace host {

struct Search {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA pending{}; // the entry FindFirstFileA gave, not yet looked at
    bool has_pending = false;
    // A pass's search: "." and ".." left out, directories delivered or not,
    // and the subdirectories gathered as the entries go by.
    bool for_pass = false;
    bool deliver_directories = true;
    std::string* subdirectories = nullptr;
    // The walk's own read of the directory failed on: said at the end.
    bool walk_read_failed = false;
    std::string pattern; // as the host was asked: it names the directory read
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
// The UTF-8 code page's stand-in for a name's bytes that make no character
// (a name Linux keeps under Wine): such a name opens nothing either.
constexpr std::string_view UNMAPPED_IN_UTF8 = "\xEF\xBF\xBD";

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

// A search that cannot start because the directory, there, cannot be read:
// refused, not ready, or failing; never a pattern that matches nothing or
// names nothing.
bool is_read_refusal(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_NOT_READY ||
           error == ERROR_SHARING_VIOLATION || error == ERROR_CRC ||
           error == ERROR_IO_DEVICE || error == ERROR_NOT_ENOUGH_MEMORY ||
           error == ERROR_OUTOFMEMORY || error == ERROR_TOO_MANY_OPEN_FILES;
}

// No search at all (no pattern): nothing matches, and nothing failed to read.
SearchHandle no_search(bool* read_failed)
{
    if (read_failed != nullptr) {
        *read_failed = false;
    }
    return INVALID_SEARCH;
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
        search.read_failed = !is_end(::GetLastError()) || search.walk_read_failed;
        return false;
    }
    return true;
}

bool accepted(const Search& search, const WIN32_FIND_DATAA& found)
{
    if (!search.for_pass) {
        return true;
    }
    return !is_dot_entry(long_name(found)) &&
           (!is_directory(found) || search.deliver_directories);
}

// Whether the long name lost a character on its way into the code page.
bool lost_characters(std::string_view name)
{
    return name.find(UNMAPPED_CHARACTER) != std::string_view::npos ||
           name.find(UNMAPPED_IN_UTF8) != std::string_view::npos;
}

static_assert(FILE_ATTRIBUTE_DIRECTORY == ATTR_DIRECTORY &&
              FILE_ATTRIBUTE_REPARSE_POINT == ATTR_REPARSE_POINT);

// Keeps the name of a subdirectory the walk may enter (never a link or
// junction: a reparse point), by its alias when the long name lost a
// character to the code page.
void gather_subdirectory(Search& search, const WIN32_FIND_DATAA& found)
{
    const std::string_view name = long_name(found);
    gather_if_enterable(search.subdirectories,
                        lost_characters(name) && !alias(found).empty() ? alias(found) : name,
                        found.dwFileAttributes);
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

// The patterns that take every entry, names without a '.' included.
bool takes_every_entry(std::string_view name)
{
    return name == "*" || name == "*.*";
}

// Starts the host's search; the first entry waits in the search.
SearchHandle start(std::unique_ptr<Search> search, const char* pattern, bool* read_failed)
{
    search->handle = ::FindFirstFileA(pattern, &search->pending);
    if (read_failed != nullptr) {
        // Nothing matches, or the directory is there but cannot be read.
        *read_failed = search->handle == INVALID_HANDLE_VALUE && is_read_refusal(::GetLastError());
    }
    if (search->handle == INVALID_HANDLE_VALUE) {
        return INVALID_SEARCH;
    }
    search->pattern = pattern;
    search->has_pending = true;
    return search.release();
}

// The first accepted entry of a started search; none, and the search ended,
// when there is none, with read_failed saying why.
SearchHandle first_accepted(SearchHandle search, FindResult& result, bool* read_failed)
{
    if (search == INVALID_SEARCH) {
        return INVALID_SEARCH; // read_failed as the start left it
    }
    if (!next_accepted(*search, result)) {
        if (read_failed != nullptr) {
            *read_failed = search->read_failed;
        }
        FindClose(search);
        return INVALID_SEARCH;
    }
    return search;
}

// Reads the whole directory for the subdirectories a walk may enter; true
// when the directory failed to read, at the start or on the way.
bool gather_every_subdirectory(std::string_view directory, std::string& subdirectories)
{
    Search search;
    search.subdirectories = &subdirectories;
    const std::string every_entry = std::string(directory) + "*";
    search.handle = ::FindFirstFileA(every_entry.c_str(), &search.pending);
    if (search.handle == INVALID_HANDLE_VALUE) {
        return is_read_refusal(::GetLastError());
    }
    search.has_pending = true;
    WIN32_FIND_DATAA found{};
    while (next_entry(search, found)) {
        gather_subdirectory(search, found);
    }
    return search.read_failed;
}

} // namespace

SearchHandle FindFirstFileA(const char* pattern, FindResult& result, bool* read_failed)
{
    if (pattern == nullptr) {
        return no_search(read_failed);
    }
    return first_accepted(start(std::make_unique<Search>(), pattern, read_failed), result,
                          read_failed);
}

SearchHandle find_first_for_pass(const char* pattern, FindResult& result, PassSearch pass,
                                 bool* read_failed)
{
    if (pattern == nullptr || !fits_room(pattern, PATH_ROOM)) {
        return no_search(read_failed);
    }
    auto search = std::make_unique<Search>();
    search->for_pass = true;
    search->deliver_directories = pass.deliver_directories;
    search->subdirectories = pass.subdirectories;
    const PatternParts parts = split_pattern(pattern);
    if (pass.subdirectories == nullptr || parts.name.empty()) {
        return first_accepted(start(std::move(search), pattern, read_failed), result,
                              read_failed);
    }
    if (takes_every_entry(parts.name)) {
        // One read of the whole directory serves the pass and the walk.
        const std::string every_entry = std::string(parts.directory) + "*";
        return first_accepted(start(std::move(search), every_entry.c_str(), read_failed),
                              result, read_failed);
    }
    // The host matches the pattern by its own rules; the walk's read comes
    // first and whole, so the pass's own search may end anywhere.
    search->walk_read_failed = gather_every_subdirectory(parts.directory, *pass.subdirectories);
    search->subdirectories = nullptr;
    const bool walk_read_failed = search->walk_read_failed;
    const SearchHandle matches =
        first_accepted(start(std::move(search), pattern, read_failed), result, read_failed);
    if (matches == INVALID_SEARCH && walk_read_failed && read_failed != nullptr) {
        *read_failed = true;
    }
    return matches;
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

const char* search_pattern(const Search& search)
{
    return search.pattern.c_str();
}

} // namespace host
