// Entries described as the host's find-data record: one stat each (statx
// on Linux, with the birth time; fstatat elsewhere, where there is none),
// relative to the open directory, the attribute word made from the entry's
// kind, mode and name; an entry that cannot be stat-ed described from its
// directory entry alone. The stat's facts are gathered when the entry is
// described, or before, by the read-ahead, through the very same call.
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

// The entry itself, never a link's target: one stat. For a link, a second
// one asks only whether its target is a directory.
EntryFacts gather_facts_at(int directory_fd, const char* path, const char* name)
{
    EntryFacts facts;
    if (!stat_entry(directory_fd, path, name, AT_SYMLINK_NOFOLLOW, facts.status)) {
        facts.error = errno;
        return facts;
    }
    facts.is_link = S_ISLNK(facts.status.mode);
    if (facts.is_link) {
        EntryStatus target;
        facts.target_is_directory =
            stat_entry(directory_fd, path, name, 0, target) && S_ISDIR(target.mode);
    }
    return facts;
}

// The description the facts of a stat-ed entry give.
void describe_from(const EntryFacts& facts, std::string_view name, FindResult& result)
{
    const EntryStatus& status = facts.status;
    const bool writable = (status.mode & ANY_WRITE_BIT) != 0;
    // A link lists as a directory when it points at one, else as a file.
    const EntryKind kind = !facts.is_link              ? kind_of(status.mode)
                           : facts.target_is_directory ? EntryKind::DIRECTORY
                                                       : EntryKind::REGULAR;
    result.dwFileAttributes = attribute_word(kind, writable, facts.is_link, name);
    result.ftLastWriteTime = file_time(status.last_write);
    result.ftCreationTime = creation_time(status.birth_reported, status.birth.seconds,
                                          status.birth.nanoseconds, result.ftLastWriteTime);
    result.ftLastAccessTime = file_time(status.last_access);
    result.nFileSizeHigh = static_cast<std::uint32_t>(status.size >> 32);
    result.nFileSizeLow = static_cast<std::uint32_t>(status.size & LOW_HALF);
    copy_with_terminator(result.cFileName, name);
    result.cAlternateFileName[0] = '\0'; // no 8.3 aliases here
}

} // namespace

EntryFacts gather_facts(int directory_fd, const char* name)
{
    return gather_facts_at(directory_fd, name, name);
}

bool describe_entry(int directory_fd, const char* name, FindResult& result)
{
    return describe_entry_at(directory_fd, name, name, result);
}

bool describe_entry_at(int directory_fd, const char* path, const char* name,
                       FindResult& result)
{
    const EntryFacts facts = gather_facts_at(directory_fd, path, name);
    if (facts.error != 0) {
        errno = facts.error;
        return false;
    }
    describe_from(facts, name, result);
    return true;
}

bool describe_listed(int directory_fd, const DirEntry& entry, FindResult& result)
{
    const EntryFacts facts =
        entry.facts != nullptr ? *entry.facts : gather_facts(directory_fd, entry.name.data());
    if (facts.error == 0) {
        describe_from(facts, entry.name, result);
        return true;
    }
    result = FindResult{}; // size 0; time 0 shows as the earliest DOS time
    result.dwFileAttributes =
        attribute_word(kind_of_type(entry.type), true, entry.type == DT_LNK, entry.name);
    copy_terminated(result.cFileName, entry.name);
    return facts.error == EACCES; // named, not examined
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
