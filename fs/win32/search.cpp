// The unfiltered directory search on Win32: the host's own FindFirstFileA
// family, its find-data record copied into the layer's FindResult. The host
// matches '*' and '?' case-blind against the long name and the 8.3 alias.
#include "fs/win32/win32_host.h"

#include <algorithm>
#include <cstring>

namespace host {

struct Search {
    HANDLE handle = INVALID_HANDLE_VALUE;
};

namespace {

// Whether the last search step that gave nothing stopped on a failed read.
bool last_read_failed = false;

template <std::size_t ROOM>
void copy_text(std::array<char, ROOM>& destination, const char* source, std::size_t source_room)
{
    const std::size_t length = strnlen(source, std::min(ROOM - 1, source_room));
    std::memcpy(destination.data(), source, length);
    std::fill(destination.begin() + static_cast<std::ptrdiff_t>(length), destination.end(), '\0');
}

void copy_found(const WIN32_FIND_DATAA& found, FindResult& result)
{
    result.dwFileAttributes = found.dwFileAttributes;
    result.ftCreationTime = file_time(found.ftCreationTime);
    result.ftLastAccessTime = file_time(found.ftLastAccessTime);
    result.ftLastWriteTime = file_time(found.ftLastWriteTime);
    result.nFileSizeHigh = found.nFileSizeHigh;
    result.nFileSizeLow = found.nFileSizeLow;
    copy_text(result.cFileName, found.cFileName, sizeof found.cFileName);
    copy_text(result.cAlternateFileName, found.cAlternateFileName, sizeof found.cAlternateFileName);
}

// The errors that only say the search has nothing (more) to give.
bool is_end(DWORD error)
{
    return error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_PATH_NOT_FOUND;
}

} // namespace

SearchHandle FindFirstFileA(const char* pattern, FindResult& result)
{
    last_read_failed = false;
    if (pattern == nullptr) {
        return INVALID_SEARCH;
    }
    auto search = std::make_unique<Search>(); // before the handle: nothing to leak
    WIN32_FIND_DATAA found{};
    search->handle = ::FindFirstFileA(pattern, &found);
    if (search->handle == INVALID_HANDLE_VALUE) {
        return INVALID_SEARCH; // nothing matches, or the directory cannot be read
    }
    copy_found(found, result);
    return search.release();
}

bool FindNextFileA(SearchHandle search, FindResult& result)
{
    last_read_failed = false;
    if (search == INVALID_SEARCH) {
        return false;
    }
    WIN32_FIND_DATAA found{};
    if (::FindNextFileA(search->handle, &found) == 0) {
        last_read_failed = !is_end(::GetLastError());
        return false;
    }
    copy_found(found, result);
    return true;
}

void FindClose(SearchHandle search)
{
    if (search == INVALID_SEARCH) {
        return;
    }
    ::FindClose(search->handle);
    delete search;
}

bool search_read_failed()
{
    return last_read_failed;
}

} // namespace host
