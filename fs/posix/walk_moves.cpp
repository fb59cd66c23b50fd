// The walk's moves on a POSIX host: down into a subdirectory by name without
// following a link, and back up through "..", each checked against a
// directory identity (device and inode) and entered through the very
// descriptor that was checked. No descriptor outlives its move.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fs/host_hooks.h"
#include "fs/posix/posix_host.h"

namespace {

DirectoryId identity_of(const struct stat& status)
{
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// Checks the directory open as fd and makes it current; false, and nothing
// changed, when the check fails. The descriptor is closed either way.
template <typename Check> bool enter_checked(int fd, struct stat& status, Check check)
{
    const bool entered = fstat(fd, &status) == 0 && check(status) && fchdir(fd) == 0;
    close(fd);
    return entered;
}

} // namespace

namespace host {

std::optional<DirectoryId> current_dir_id()
{
    struct stat status {};
    if (stat(".", &status) != 0) {
        return std::nullopt;
    }
    return identity_of(status);
}

std::optional<DirectoryId> enter_subdir(const char* name, const DirectoryId& here)
{
    if (name == nullptr || run_host_hook(HostStep::ENTER_SUBDIR, name) != 0) {
        return std::nullopt;
    }
    // O_PATH needs search permission alone, as changing into a directory does.
    const int child_fd = openat(AT_FDCWD, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status {};
    const auto on_same_volume = [&here](const struct stat& child) {
        return S_ISDIR(child.st_mode) && static_cast<std::uint64_t>(child.st_dev) == here.device;
    };
    if (child_fd < 0 || !enter_checked(child_fd, status, on_same_volume)) {
        return std::nullopt;
    }
    follow_into(name);
    return identity_of(status);
}

int enter_parent_dir(const DirectoryId& parent)
{
    if (run_host_hook(HostStep::ENTER_PARENT, "..") != 0) {
        return -1;
    }
    const int parent_fd = open("..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat status {};
    const auto is_parent = [&parent](const struct stat& found) {
        return identity_of(found) == parent;
    };
    if (parent_fd < 0 || !enter_checked(parent_fd, status, is_parent)) {
        return -1;
    }
    follow_to_parent(parent);
    return 0;
}

} // namespace host
