// The POSIX layer's calls on Linux, where the kernel has its own: the
// working directory asked of the kernel alone (the C library's fallback for
// a deep one reads every directory above it, on every call), directories
// opened for searching alone with O_PATH, identities read from what the
// kernel holds (on a network share, no request to the server), a mount's
// root told by statx's own mark, and entries described by statx, with their
// birth time.
#include "fs/posix/posix_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr unsigned STAT_MASK = STATX_BASIC_STATS | STATX_BTIME;

Stamp stamp_of(const statx_timestamp& stamp)
{
    return {stamp.tv_sec, stamp.tv_nsec};
}

// The mount id of the directory open at fd (AT_FDCWD and "." for the
// current one); nothing when the host cannot say.
std::optional<std::uint64_t> mount_id(int fd, const char* path, int flags)
{
    struct statx status {};
    if (statx(fd, path, flags, STATX_MNT_ID, &status) != 0 ||
        (status.stx_mask & STATX_MNT_ID) == 0) {
        return std::nullopt;
    }
    return status.stx_mnt_id;
}

DirectoryId identity_of(const struct statx& status)
{
    return {makedev(status.stx_dev_major, status.stx_dev_minor), status.stx_ino};
}

} // namespace

bool ask_current_dir(std::span<char> buffer)
{
    return syscall(SYS_getcwd, buffer.data(), buffer.size()) > 0 && buffer[0] == '/';
}

std::optional<int> search_only_access()
{
    return O_PATH;
}

std::optional<DirectoryId> identity_of_current()
{
    struct statx status {};
    if (statx(AT_FDCWD, ".", AT_STATX_DONT_SYNC, STATX_INO, &status) != 0) {
        return std::nullopt;
    }
    return identity_of(status);
}

// A mount point is told by the host's own mark of a mount's root, on the
// very descriptor opened; where that mark is unknown, by a mount id that
// differs from the current directory's. Either way a bind mount of a
// directory of the same volume is one.
std::optional<ChildStatus> status_of_child(int fd)
{
    struct statx status {};
    if (statx(fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_TYPE | STATX_INO, &status) != 0) {
        return std::nullopt;
    }
    ChildStatus child;
    child.id = identity_of(status);
    child.is_directory = S_ISDIR(status.stx_mode);
    if ((status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
        child.is_mount_root = (status.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    } else {
        const auto inner = mount_id(fd, "", AT_EMPTY_PATH);
        const auto outer = mount_id(AT_FDCWD, ".", 0);
        child.is_mount_root = inner != outer; // neither known: the device alone decides
    }
    return child;
}

bool stat_entry_at(int directory_fd, const char* path, int flags, EntryStatus& status)
{
    // Not cleared: the kernel writes the whole record, and a failed call
    // leaves nothing to read. Once an entry, its 256 bytes would show.
    struct statx found;
    if (statx(directory_fd, path, flags | AT_NO_AUTOMOUNT, STAT_MASK, &found) != 0) {
        return false;
    }
    status = {found.stx_mode,           found.stx_size,
              stamp_of(found.stx_mtime), stamp_of(found.stx_atime),
              (found.stx_mask & STATX_BTIME) != 0, stamp_of(found.stx_btime)};
    return true;
}
