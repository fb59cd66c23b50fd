// The unfiltered directory search on Win32: the host's own FindFirstFileW
// family, its find-data record copied into the layer's FindResult with the
// names in the program's code page: exact, or, for what the page cannot
// hold, '?' (never the host's look-alike). The host matches '*' and '?'
// case-blind against the long name and the 8.3 alias, with its own case
// rules. A search of the whole current directory ("*" or "*.*") keeps the
// subdirectories it passes for the walk.
#include "fs/win32/win32_host.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fs/path_split.h"

namespace host {

struct Search {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW pending{}; // the entry FindFirstFileW gave, not yet looked at
    bool has_pending = false;
    // Every entry of the current directory: its subdirectories are kept.
    bool whole_current_dir = false;
    std::vector<Subdirectory> subdirectories;
    bool failed = false; // the host's search stopped on a failed read

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

bool last_read_failed = false;

void copy_found(const WIN32_FIND_DATAW& found, FindResult& result)
{
    result.dwFileAttributes = found.dwFileAttributes;
    result.ftCreationTime = file_time(found.ftCreationTime);
    result.ftLastAccessTime = file_time(found.ftLastAccessTime);
    result.ftLastWriteTime = file_time(found.ftLastWriteTime);
    result.nFileSizeHigh = found.nFileSizeHigh;
    result.nFileSizeLow = found.nFileSizeLow;
    copy_terminated(result.cFileName, shown_name(found));
    // An alias the code page cannot hold exactly names nothing: none is kept.
    copy_terminated(result.cAlternateFileName, narrow_exact(alias_of(found)).value_or(""));
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

// The patterns that take every entry, names without a '.' included.
bool takes_every_entry(std::string_view name)
{
    return name == "*" || name == "*.*";
}

// The next entry of the host's search, keeping the subdirectories of the
// whole current directory on the way; false at its end or on a failed read.
bool next_entry(Search& search, WIN32_FIND_DATAW& found)
{
    if (search.has_pending) {
        search.has_pending = false;
        found = search.pending;
    } else if (::FindNextFileW(search.handle, &found) == 0) {
        search.failed = !is_end(::GetLastError());
        if (search.whole_current_dir && !search.failed) {
            keep_subdirectories(std::move(search.subdirectories));
        }
        return false;
    }
    if (search.whole_current_dir) {
        note_subdirectory(found, search.subdirectories);
    }
    return true;
}

} // namespace

HANDLE find_first_wide(std::string_view pattern, WIN32_FIND_DATAW& found)
{
    const auto wide = wide_of(pattern);
    if (!wide) {
        ::SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    return ::FindFirstFileW(wide->c_str(), &found);
}

SearchHandle FindFirstFileA(const char* pattern, FindResult& result)
{
    last_read_failed = false;
    if (pattern == nullptr) {
        return INVALID_SEARCH;
    }
    auto search = std::make_unique<Search>();
    search->handle = find_first_wide(pattern, search->pending);
    if (search->handle == INVALID_HANDLE_VALUE) {
        // Nothing matches, or the directory is there but cannot be read.
        last_read_failed = is_read_refusal(::GetLastError());
        return INVALID_SEARCH;
    }
    const PatternParts parts = split_pattern(pattern);
    search->whole_current_dir = parts.directory.empty() && takes_every_entry(parts.name);
    search->has_pending = true;
    if (!FindNextFileA(search.get(), result)) {
        return INVALID_SEARCH;
    }
    return search.release();
}

bool FindNextFileA(SearchHandle search, FindResult& result)
{
    WIN32_FIND_DATAW found{};
    const bool got = search != INVALID_SEARCH && next_entry(*search, found);
    last_read_failed = search != INVALID_SEARCH && !got && search->failed;
    if (got) {
        copy_found(found, result);
    }
    return got;
}

void FindClose(SearchHandle search)
{
    delete search;
}

bool read_failed()
{
    return last_read_failed;
}

// The host's search gives every description with each entry: nothing to spare.
void describe_directories(bool /*described*/) {}

} // namespace host
