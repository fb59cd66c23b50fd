// The unfiltered directory search on a POSIX host: reads one directory,
// matches each name against the pattern's last component, and describes the
// matches with one statx each as the host's find-data record.
#include "fs/posix_host.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>

struct HostSearch {
    DIR* directory = nullptr;
    std::string name_pattern;
    bool direct = false; // no wildcard: one lookup, no directory read
    bool direct_done = false;

    HostSearch() = default;
    HostSearch(const HostSearch&) = delete;
    HostSearch& operator=(const HostSearch&) = delete;
    ~HostSearch()
    {
        if (directory != nullptr) {
            closedir(directory);
        }
    }
};

namespace {

constexpr unsigned STAT_MASK = STATX_BASIC_STATS | STATX_BTIME;
constexpr std::uint32_t LOW_HALF = 0xFFFF'FFFF;
constexpr unsigned ANY_WRITE_BIT = S_IWUSR | S_IWGRP | S_IWOTH;

bool stat_entry(int directory_fd, const char* name, int flags, struct statx& status)
{
    return statx(directory_fd, name, flags | AT_NO_AUTOMOUNT, STAT_MASK, &status) == 0;
}

// One statx in the usual case: d_type already says whether it is a link.
// Without d_type, or when a link's target is missing, the link itself is asked.
bool stat_described(int directory_fd, const char* name, unsigned char type, struct statx& status,
                    bool& is_link)
{
    is_link = type == DT_LNK;
    if (type != DT_UNKNOWN) {
        if (stat_entry(directory_fd, name, 0, status)) {
            return true;
        }
    }
    if (!stat_entry(directory_fd, name, AT_SYMLINK_NOFOLLOW, status)) {
        return false;
    }
    is_link = S_ISLNK(status.stx_mode);
    if (is_link && type == DT_UNKNOWN) {
        struct statx target {};
        if (stat_entry(directory_fd, name, 0, target)) {
            status = target;
        }
    }
    return true;
}

EntryKind kind_of(unsigned mode)
{
    if (S_ISREG(mode)) {
        return EntryKind::regular;
    }
    return S_ISDIR(mode) ? EntryKind::directory : EntryKind::other;
}

FileTime file_time(const statx_timestamp& stamp)
{
    return file_time_from_unix(stamp.tv_sec, stamp.tv_nsec);
}

void copy_name(std::array<char, PATH_ROOM>& destination, const char* name)
{
    const std::size_t length = strnlen(name, destination.size() - 1);
    std::memcpy(destination.data(), name, length);
    destination[length] = '\0';
}

} // namespace

bool describe_entry(int directory_fd, const char* name, unsigned char type, FindResult& result)
{
    struct statx status {};
    bool is_link = false;
    if (!stat_described(directory_fd, name, type, status, is_link)) {
        return false;
    }
    result = FindResult{};
    const bool writable = (status.stx_mode & ANY_WRITE_BIT) != 0;
    result.dwFileAttributes = attribute_word(kind_of(status.stx_mode), writable, is_link, name);
    result.ftLastWriteTime = file_time(status.stx_mtime);
    result.ftCreationTime =
        (status.stx_mask & STATX_BTIME) != 0 ? file_time(status.stx_btime) : result.ftLastWriteTime;
    result.ftLastAccessTime = file_time(status.stx_atime);
    result.nFileSizeHigh = static_cast<std::uint32_t>(status.stx_size >> 32);
    result.nFileSizeLow = static_cast<std::uint32_t>(status.stx_size & LOW_HALF);
    copy_name(result.cFileName, name);
    return true;
}

namespace {

bool next_match(HostSearch& search, FindResult& result)
{
    while (const dirent* entry = readdir(search.directory)) {
        if (name_matches(search.name_pattern, entry->d_name) &&
            describe_entry(dirfd(search.directory), entry->d_name, entry->d_type, result)) {
            return true;
        }
    }
    return false;
}

// The name as typed, or else the first entry that equals it case-blind.
bool direct_lookup(HostSearch& search, FindResult& result)
{
    if (search.direct_done) {
        return false;
    }
    search.direct_done = true;
    const int directory_fd = dirfd(search.directory);
    if (describe_entry(directory_fd, search.name_pattern.c_str(), DT_UNKNOWN, result)) {
        return true;
    }
    while (const dirent* entry = readdir(search.directory)) {
        if (names_equal_blind(search.name_pattern, entry->d_name)) {
            return describe_entry(directory_fd, entry->d_name, entry->d_type, result);
        }
    }
    return false;
}

} // namespace

std::uint32_t attribute_word(EntryKind kind, bool writable, bool is_link, std::string_view name)
{
    std::uint32_t word = 0;
    if (!writable) {
        word |= ATTR_READONLY;
    }
    if (name.starts_with('.') && name != "." && name != "..") {
        word |= ATTR_HIDDEN;
    }
    if (kind == EntryKind::other) {
        word |= ATTR_SYSTEM;
    }
    if (kind == EntryKind::directory) {
        word |= ATTR_DIRECTORY;
    }
    if (kind == EntryKind::regular) {
        word |= ATTR_ARCHIVE;
    }
    if (is_link) {
        word |= ATTR_REPARSE_POINT;
    }
    return word;
}

SearchHandle FindFirstFileA(const char* pattern, FindResult& result)
{
    if (pattern == nullptr || strnlen(pattern, PATH_ROOM) >= PATH_ROOM) {
        return INVALID_SEARCH;
    }
    const PatternParts parts = split_search_pattern(pattern);
    if (parts.name.empty()) {
        return INVALID_SEARCH;
    }
    std::unique_ptr<HostSearch> search(new (std::nothrow) HostSearch);
    if (!search) {
        return INVALID_SEARCH;
    }
    const auto open_directory = [&search](const char* posix) {
        search->directory = opendir(posix);
        return search->directory != nullptr;
    };
    if (!on_host_path(parts.directory, open_directory)) {
        return INVALID_SEARCH;
    }
    search->name_pattern = parts.name;
    search->direct = !has_wildcards(parts.name);
    if (!FindNextFileA(search.get(), result)) {
        return INVALID_SEARCH;
    }
    return search.release();
}

bool FindNextFileA(SearchHandle search, FindResult& result)
{
    if (search == INVALID_SEARCH) {
        return false;
    }
    return search->direct ? direct_lookup(*search, result) : next_match(*search, result);
}

void FindClose(SearchHandle search)
{
    delete search;
}
