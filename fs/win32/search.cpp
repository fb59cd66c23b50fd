// The unfiltered directory search on Win32: the host's own FindFirstFileW
// family, its find-data record copied into the layer's FindResult with the
// names in the program's code page: exact, or, for what the page cannot
// hold, '?' (never the host's look-alike). The host matches '*' and '?'
// case-blind against the long name and the 8.3 alias, with its own case
// rules. A directory pass that also gathers the subdirectories for the walk
// reads the whole directory once ("*") when its pattern takes every entry;
// for any other pattern the host matches it in a search of its own, so that
// a walk finds what a plain listing finds. The walk reaches each
// subdirectory by the UTF-16 name the search read, which no code page spoils.
#include "fs/win32/win32_host.h"

#include <string>
#include <string_view>

#include "fs/path_split.h"

namespace host {

struct Search {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW pending{}; // the entry FindFirstFileW gave, not yet looked at
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

// The host's stand-in for a name's bytes that make no character (a name
// Linux keeps under Wine): such a name opens nothing, and the alias is the
// way to it.
constexpr wchar_t REPLACEMENT_CHARACTER = 0xFFFD;

template <std::size_t N> std::wstring_view bounded_wide(const wchar_t (&text)[N])
{
    std::size_t length = 0;
    while (length < N && text[length] != L'\0') {
        ++length;
    }
    return {text, length};
}

std::wstring_view long_name(const WIN32_FIND_DATAW& found)
{
    return bounded_wide(found.cFileName);
}

std::wstring_view alias(const WIN32_FIND_DATAW& found)
{
    return bounded_wide(found.cAlternateFileName);
}

void copy_found(const WIN32_FIND_DATAW& found, FindResult& result)
{
    result.dwFileAttributes = found.dwFileAttributes;
    result.ftCreationTime = file_time(found.ftCreationTime);
    result.ftLastAccessTime = file_time(found.ftLastAccessTime);
    result.ftLastWriteTime = file_time(found.ftLastWriteTime);
    result.nFileSizeHigh = found.nFileSizeHigh;
    result.nFileSizeLow = found.nFileSizeLow;
    const std::wstring_view name = long_name(found);
    copy_terminated(result.cFileName, narrow_exact(name).value_or(narrow_shown(name)));
    // An alias the code page cannot hold exactly names nothing: none is kept.
    copy_terminated(result.cAlternateFileName, narrow_exact(alias(found)).value_or(""));
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

bool is_directory(const WIN32_FIND_DATAW& found)
{
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The next entry of the host's search; false at its end or on a failed read.
bool next_entry(Search& search, WIN32_FIND_DATAW& found)
{
    if (search.has_pending) {
        search.has_pending = false;
        found = search.pending;
        return true;
    }
    if (::FindNextFileW(search.handle, &found) == 0) {
        search.read_failed = !is_end(::GetLastError()) || search.walk_read_failed;
        return false;
    }
    return true;
}

bool is_dot_name(std::wstring_view name)
{
    return name == L"." || name == L"..";
}

bool accepted(const Search& search, const WIN32_FIND_DATAW& found)
{
    if (!search.for_pass) {
        return true;
    }
    return !is_dot_name(long_name(found)) && (!is_directory(found) || search.deliver_directories);
}

static_assert(FILE_ATTRIBUTE_DIRECTORY == ATTR_DIRECTORY &&
              FILE_ATTRIBUTE_REPARSE_POINT == ATTR_REPARSE_POINT);

// Keeps a subdirectory the walk may enter (never a link or junction: a
// reparse point): named as the listing shows it, reached by its UTF-16
// name, or by its alias where the host could not read the name itself.
void gather_subdirectory(Search& search, const WIN32_FIND_DATAW& found)
{
    if (search.subdirectories == nullptr || is_dot_name(long_name(found))) {
        return;
    }
    const std::wstring_view name = long_name(found);
    const bool unreadable = name.find(REPLACEMENT_CHARACTER) != std::wstring_view::npos;
    const std::wstring_view way = unreadable && !alias(found).empty() ? alias(found) : name;
    gather_if_enterable(search.subdirectories, narrow_exact(name).value_or(narrow_shown(name)),
                        found.dwFileAttributes, host_key_of(way));
}

bool next_accepted(Search& search, FindResult& result)
{
    WIN32_FIND_DATAW found{};
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

// The host's search of a pattern of the program's code page; the invalid
// handle when the pattern has no UTF-16 form.
HANDLE find_first_wide(std::string_view pattern, WIN32_FIND_DATAW& found)
{
    const auto wide = wide_of(pattern);
    if (!wide) {
        ::SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    return ::FindFirstFileW(wide->c_str(), &found);
}

// Starts the host's search; the first entry waits in the search.
SearchHandle start(std::unique_ptr<Search> search, const char* pattern, bool* read_failed)
{
    search->handle = find_first_wide(pattern, search->pending);
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
    search.handle = find_first_wide(every_entry, search.pending);
    if (search.handle == INVALID_HANDLE_VALUE) {
        return is_read_refusal(::GetLastError());
    }
    search.has_pending = true;
    WIN32_FIND_DATAW found{};
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
