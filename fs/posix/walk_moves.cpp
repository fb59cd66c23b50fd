// The walk's moves on a POSIX host: down into a subdirectory by name without
// following a link, checked and entered through the very descriptor that was
// checked; back up through "..", checked against the identity (device and
// inode) of the directory the level expects. The descriptor of a step down
// is handed to the walk, which gives it to the pass that reads the directory
// next, so no descriptor outlives the level's own pass.
#include "fs/posix/posix_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef WENDEX_LINUX_CALLS
#include <sys/sysmacros.h>
#endif

#include "fs/host_hooks.h"

namespace {

DirectoryId identity_of(const struct stat& status)
{
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// What the step down checks of the directory it opened.
struct ChildStatus {
    DirectoryId id;
    bool is_directory = false;
    bool is_mount_root = false;
};

#ifdef WENDEX_LINUX_CALLS
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

// A mount point is told by the host's own mark of a mount's root, on the
// very descriptor opened; where that mark is unknown, by a mount id that
// differs from the current directory's. Either way a bind mount of a
// directory of the same volume is one.
std::optional<ChildStatus> status_of_child(int fd)
{
    struct statx status {};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_INO, &status) != 0) {
        return std::nullopt;
    }
    ChildStatus child;
    child.id = {makedev(status.stx_dev_major, status.stx_dev_minor), status.stx_ino};
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

// Linux opens a directory for the step alone without read permission.
constexpr int STEP_ACCESS = O_PATH;
#else
// A host without a mount mark: a mount point is told by its device alone,
// which the step compares with the directory it leaves.
std::optional<ChildStatus> status_of_child(int fd)
{
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        return std::nullopt;
    }
    return ChildStatus{identity_of(status), S_ISDIR(status.st_mode), false};
}

#ifdef O_SEARCH
constexpr int STEP_ACCESS = O_SEARCH;
#else
constexpr int STEP_ACCESS = -1; // none: a directory is entered only where it can be read
#endif
#endif

struct OpenedChild {
    int fd;
    bool readable;
};

// The child opened without following a link: for reading where it may be
// read (its pass reads it through this descriptor), else for the step alone.
OpenedChild open_child(const char* name)
{
    constexpr int CHILD = O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    const int fd = openat(AT_FDCWD, name, O_RDONLY | CHILD);
    if (fd >= 0 || errno != EACCES || STEP_ACCESS < 0) {
        return {fd, true};
    }
    return {openat(AT_FDCWD, name, STEP_ACCESS | CHILD), false};
}

} // namespace

host::OpenedDir::~OpenedDir()
{
    if (fd >= 0) {
        close(fd);
    }
}

void host::OpenedDirCloser::operator()(OpenedDir* directory) const
{
    delete directory;
}

namespace host {

std::optional<DirectoryId> current_dir_id()
{
    struct stat status {};
    if (run_host_hook(HostStep::STAT_CURRENT, ".") != 0 || stat(".", &status) != 0) {
        return std::nullopt;
    }
    return identity_of(status);
}

// A POSIX name is its own way: reach is always empty.
std::optional<DirectoryId> enter_subdir(const char* name, const char* /*reach*/,
                                        const DirectoryId& here, EnteredDir& entered)
{
    entered.reset();
    if (name == nullptr || run_host_hook(HostStep::ENTER_SUBDIR, name) != 0) {
        return std::nullopt;
    }
    read_ahead_start_once();
    read_ahead_note_step();
    const OpenedChild child = open_child(name);
    const auto status = child.fd >= 0 ? status_of_child(child.fd) : std::nullopt;
    const bool stepped = status && status->is_directory && !status->is_mount_root &&
                         status->id.device == here.device && fchdir(child.fd) == 0;
    if (stepped && child.readable) {
        entered.reset(new OpenedDir);
        entered->fd = child.fd;
    } else if (child.fd >= 0) {
        close(child.fd);
    }
    if (!stepped) {
        return std::nullopt;
    }
    follow_into(name);
    return status->id;
}

// The step is checked once made: "." is the directory arrived in, whatever
// happened to the path, so the check cannot be raced. On a mismatch the walk
// is lost and goes no further.
int enter_parent_dir(const DirectoryId& parent)
{
    if (run_host_hook(HostStep::ENTER_PARENT, "..") != 0 || chdir("..") != 0) {
        return -1;
    }
    const auto arrived = current_dir_id();
    if (!arrived) {
        follow_into(".."); // where that is, only the host can say now
        return -1;
    }
    follow_to_parent(*arrived); // the path's parent, whatever directory it is
    return *arrived == parent ? 0 : -1;
}

} // namespace host
