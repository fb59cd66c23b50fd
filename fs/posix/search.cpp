// The unfiltered directory search on a POSIX host: reads one directory,
// matches each name against the pattern's last component, and describes the
// matches with one statx each as the host's find-data record. A name without
// wildcards is looked up directly, so it is found in a directory that can be
// searched but not read.
#include "fs/host_hooks.h"
#include "fs/posix/posix_host.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct host::Search {
    DirStream directory; // read for a wildcard, or for a name in another case
    int lookup_fd = -1;  // no wildcard: the directory, opened for lookups only
    std::string name_pattern;
    bool direct = false; // no wildcard: one lookup, and a read only if that fails
    bool direct_done = false;
    bool failed = false; // the directory failed to read on

    Search() = default;
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    ~Search()
    {
        if (lookup_fd >= 0) {
            close(lookup_fd);
        }
    }
};

namespace {

constexpr unsigned STAT_MASK = STATX_BASIC_STATS | STATX_BTIME;
constexpr std::uint32_t LOW_HALF = 0xFFFF'FFFF;
constexpr unsigned ANY_WRITE_BIT = S_IWUSR | S_IWGRP | S_IWOTH;

// Whether the last search step that gave nothing stopped on a failed read.
bool last_read_failed = false;

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
        return EntryKind::REGULAR;
    }
    return S_ISDIR(mode) ? EntryKind::DIRECTORY : EntryKind::OTHER;
}

// The kind a directory entry's type gives; a link is neither file nor
// directory, as a link whose target is missing.
EntryKind kind_of_type(unsigned char type)
{
    switch (type) {
    case DT_REG: return EntryKind::REGULAR;
    case DT_DIR: return EntryKind::DIRECTORY;
    default: return EntryKind::OTHER;
    }
}

FileTime file_time(const statx_timestamp& stamp)
{
    return file_time_from_unix(stamp.tv_sec, stamp.tv_nsec);
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
    copy_terminated(result.cFileName, name);
    return true;
}

void describe_listed(int directory_fd, const char* name, unsigned char type, FindResult& result)
{
    if (describe_entry(directory_fd, name, type, result)) {
        return;
    }
    result = FindResult{}; // size 0; time 0 shows as the earliest DOS time
    result.dwFileAttributes = attribute_word(kind_of_type(type), true, type == DT_LNK, name);
    copy_terminated(result.cFileName, name);
}

const dirent* read_entry(DIR* directory, bool& failed)
{
    if (const int error = run_host_hook(HostStep::READ_DIR, ""); error != 0) {
        errno = error;
        failed = true;
        return nullptr;
    }
    errno = 0;
    const dirent* entry = readdir(directory);
    if (entry == nullptr && errno != 0) {
        failed = true;
    }
    return entry;
}

namespace {

bool next_match(host::Search& search, FindResult& result)
{
    while (const dirent* entry = read_entry(search.directory.get(), search.failed)) {
        if (name_matches(search.name_pattern, entry->d_name)) {
            describe_listed(dirfd(search.directory.get()), entry->d_name, entry->d_type, result);
            return true;
        }
    }
    return false;
}

// The directory read from the start, for a name not found as typed.
DirStream open_for_reading(int lookup_fd)
{
    const int read_fd = openat(lookup_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (read_fd < 0) {
        return nullptr;
    }
    DirStream directory(fdopendir(read_fd));
    if (directory == nullptr) {
        close(read_fd);
    }
    return directory;
}

// The name as typed, or else the first entry that equals it case-blind.
bool direct_lookup(host::Search& search, FindResult& result)
{
    if (search.direct_done) {
        return false;
    }
    search.direct_done = true;
    const char* name = search.name_pattern.c_str();
    if (describe_entry(search.lookup_fd, name, DT_UNKNOWN, result)) {
        return true;
    }
    search.directory = open_for_reading(search.lookup_fd);
    if (search.directory == nullptr) {
        return false; // not readable: the name as typed was all there was to find
    }
    while (const dirent* entry = read_entry(search.directory.get(), search.failed)) {
        if (names_equal_blind(search.name_pattern, entry->d_name)) {
            describe_listed(dirfd(search.directory.get()), entry->d_name, entry->d_type, result);
            return true;
        }
    }
    return false;
}

// Opens the pattern's directory: for reading when the name holds wildcards,
// for lookups alone otherwise (which needs no read permission).
bool open_directory(host::Search& search, std::string_view directory)
{
    if (!search.direct) {
        const auto open_stream = [&search](const char* posix) {
            search.directory.reset(opendir(posix));
            return search.directory != nullptr;
        };
        return try_as_typed_then_any_case(directory, open_stream);
    }
    const auto open_lookup = [&search](const char* posix) {
        search.lookup_fd = open(posix, O_PATH | O_DIRECTORY | O_CLOEXEC);
        return search.lookup_fd >= 0;
    };
    return try_as_typed_then_any_case(directory, open_lookup);
}

} // namespace

std::uint32_t attribute_word(EntryKind kind, bool writable, bool is_link, std::string_view name)
{
    std::uint32_t word = 0;
    if (!writable) {
        word |= ATTR_READONLY;
    }
    if (name.starts_with('.') && !is_dot_entry(name)) {
        word |= ATTR_HIDDEN;
    }
    if (kind == EntryKind::OTHER) {
        word |= ATTR_SYSTEM;
    }
    if (kind == EntryKind::DIRECTORY) {
        word |= ATTR_DIRECTORY;
    }
    if (kind == EntryKind::REGULAR) {
        word |= ATTR_ARCHIVE;
    }
    if (is_link) {
        word |= ATTR_REPARSE_POINT;
    }
    return word;
}

namespace host {

SearchHandle FindFirstFileA(const char* pattern, FindResult& result)
{
    note_read_failure(false);
    if (pattern == nullptr || !fits_room(pattern, PATH_ROOM)) {
        return INVALID_SEARCH;
    }
    const PatternParts parts = split_search_pattern(pattern);
    if (parts.name.empty()) {
        return INVALID_SEARCH;
    }
    auto search = std::make_unique<Search>();
    search->name_pattern = parts.name;
    search->direct = !has_wildcards(parts.name);
    if (!open_directory(*search, parts.directory) || !FindNextFileA(search.get(), result)) {
        return INVALID_SEARCH;
    }
    return search.release();
}

bool FindNextFileA(SearchHandle search, FindResult& result)
{
    if (search == INVALID_SEARCH) {
        return false;
    }
    const bool found =
        search->direct ? direct_lookup(*search, result) : next_match(*search, result);
    note_read_failure(!found && search->failed);
    return found;
}

bool search_read_failed()
{
    return last_read_failed;
}


void FindClose(SearchHandle search)
{
    delete search;
}

} // namespace host

void note_read_failure(bool failed)
{
    last_read_failed = failed;
}
