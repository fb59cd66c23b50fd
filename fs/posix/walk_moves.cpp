// The walk's moves on a POSIX host: down into a subdirectory by name without
// following a link, checked and entered through the very descriptor that was
// checked; back up through "..", checked against the identity (device and
// inode) of the directory the level expects. The descriptor of a step down
// is kept for the read of the directory it entered (the pass's, or the
// walk's own), so no descriptor outlives the level's own pass.
#include "fs/posix/posix_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fs/host_hooks.h"

namespace {

struct OpenedChild {
    int fd;
    bool readable;
};

// The child opened without following a link: for reading where it may be
// read (its pass reads it through this descriptor), else for the step
// alone; for the step alone too where what it lists is read ahead of it.
OpenedChild open_child(const char* name)
{
    constexpr int CHILD = O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    const auto step_only = search_only_access(); // none: entered only where it can be read
    if (step_only && steps_only_look_up()) {
        return {openat(AT_FDCWD, name, *step_only | CHILD), false};
    }
    const int fd = openat(AT_FDCWD, name, O_RDONLY | CHILD);
    if (fd >= 0 || errno != EACCES || !step_only) {
        return {fd, true};
    }
    return {openat(AT_FDCWD, name, *step_only | CHILD), false};
}

} // namespace

namespace host {

std::optional<DirectoryId> current_dir_id()
{
    if (run_host_hook(HostStep::STAT_CURRENT, ".") != 0) {
        return std::nullopt;
    }
    return identity_of_current();
}

// A POSIX name is its own way: the name is all the step needs.
std::optional<DirectoryId> enter_subdir(const Subdirectory& child, const DirectoryId& here)
{
    const char* name = child.name.c_str();
    if (run_host_hook(HostStep::ENTER_SUBDIR, name) != 0) {
        return std::nullopt;
    }
    const OpenedChild opened = open_child(name);
    const auto status = opened.fd >= 0 ? status_of_child(opened.fd) : std::nullopt;
    const bool stepped = status && status->is_directory && !status->is_mount_root &&
                         status->id.device == here.device && fchdir(opened.fd) == 0;
    if (!stepped) {
        if (opened.fd >= 0) {
            close(opened.fd);
        }
        return std::nullopt;
    }
    left_current_dir();
    keep_step(opened.readable ? opened.fd : (close(opened.fd), -1), status->id);
    follow_step_into(name);
    return status->id;
}

// The step is checked once made: "." is the directory arrived in, whatever
// happened to the path, so the check cannot be raced. On a mismatch the walk
// is lost and goes no further.
bool enter_parent_dir(const DirectoryId& parent)
{
    if (run_host_hook(HostStep::ENTER_PARENT, "..") != 0 || chdir("..") != 0) {
        return false;
    }
    left_current_dir();
    const auto arrived = current_dir_id();
    if (!arrived) {
        follow_into(".."); // where that is, only the host can say now
        return false;
    }
    follow_to_parent(*arrived, *arrived == parent); // the path's parent, whatever directory it is
    return *arrived == parent;
}

} // namespace host
