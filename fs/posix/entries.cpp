// Entries described as the host's find-data record: one stat each (statx
// on Linux, with the birth time; fstatat elsewhere, where there is none),
// relative to the open directory, the attribute word made from the entry's
// kind, mode and name; an entry that cannot be stat-ed described from its
// directory entry alone.
#include "fs/posix/posix_host.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "fs/host_hooks.h"

namespace {

constexpr std::uint32_t LOW_HALF = 0xFFFF'FFFF;
constexpr unsigned ANY_WRITE_BIT = S_IWUSR | S_IWGRP | S_IWOTH;

bool stat_entry(int directory_fd, const char* path, const char* name, int flags,
                EntryStatus& status)
{
    if (const int error = run_host_hook(HostStep::STAT_ENTRY, name); error != 0) {
        errno = error;
        return false;
    }
    return stat_entry_at(directory_fd, path, flags, status);
}

// The entry itself, never a link's target: one stat. For a link, a second
// one asks only whether its target is a directory.
bool stat_described(int directory_fd, const char* path, const char* name,
                    EntryStatus& status, bool& is_link, bool& target_is_directory)
{
    if (!stat_entry(directory_fd, path, name, AT_SYMLINK_NOFOLLOW, status)) {
        return false;
    }
    is_link = S_ISLNK(status.mode);
    target_is_directory = false;
    if (is_link) {
        EntryStatus target;
        target_is_directory =
            stat_entry(directory_fd, path, name, 0, target) && S_ISDIR(target.mode);
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

// The kind a directory entry's type gives; a link whose target cannot be
// asked lists as a file.
EntryKind kind_of_type(unsigned char type)
{
    switch (type) {
    case DT_REG:
    case DT_LNK: return EntryKind::REGULAR;
    case DT_DIR: return EntryKind::DIRECTORY;
    default: return EntryKind::OTHER;
    }
}

FileTime file_time(const Stamp& stamp)
{
    return file_time_from_unix(stamp.seconds, stamp.nanoseconds);
}

} // namespace

bool describe_entry(int directory_fd, const char* name, FindResult& result)
{
    return describe_entry_at(directory_fd, name, name, result);
}

bool describe_entry_at(int directory_fd, const char* path, const char* name,
                       FindResult& result)
{
    EntryStatus status;
    bool is_link = false;
    bool target_is_directory = false;
    if (!stat_described(directory_fd, path, name, status, is_link, target_is_directory)) {
        return false;
    }
    const bool writable = (status.mode & ANY_WRITE_BIT) != 0;
    // A link lists as a directory when it points at one, else as a file.
    const EntryKind kind = !is_link              ? kind_of(status.mode)
                           : target_is_directory ? EntryKind::DIRECTORY
                                                 : EntryKind::REGULAR;
    result.dwFileAttributes = attribute_word(kind, writable, is_link, name);
    result.ftLastWriteTime = file_time(status.last_write);
    result.ftCreationTime = creation_time(status.birth_reported, status.birth.seconds,
                                          status.birth.nanoseconds, result.ftLastWriteTime);
    result.ftLastAccessTime = file_time(status.last_access);
    result.nFileSizeHigh = static_cast<std::uint32_t>(status.size >> 32);
    result.nFileSizeLow = static_cast<std::uint32_t>(status.size & LOW_HALF);
    copy_with_terminator(result.cFileName, name);
    result.cAlternateFileName[0] = '\0'; // no 8.3 aliases here
    return true;
}

bool describe_listed(int directory_fd, const char* name, unsigned char type, FindResult& result)
{
    if (describe_entry(directory_fd, name, result)) {
        return true;
    }
    const bool named_not_examined = errno == EACCES;
    result = FindResult{}; // size 0; time 0 shows as the earliest DOS time
    result.dwFileAttributes = attribute_word(kind_of_type(type), true, type == DT_LNK, name);
    copy_terminated(result.cFileName, name);
    return named_not_examined;
}

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
