// The POSIX layer's calls on a host with the POSIX calls alone: the working
// directory from the C library, directories opened for searching alone with
// O_SEARCH where the host has it, a mount's root told by its device alone
// (compared with the directory the step leaves), and entries described by
// fstatat, which reports no birth time.
#include "fs/posix/posix_host.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Stamp stamp_of(const struct timespec& stamp)
{
    return {stamp.tv_sec, static_cast<std::uint32_t>(stamp.tv_nsec)};
}

} // namespace

// The C library's "no room" (ERANGE) is the kernel's "too long" (ENAMETOOLONG).
bool ask_current_dir(std::span<char> buffer)
{
    if (getcwd(buffer.data(), buffer.size()) != nullptr) {
        return buffer[0] == '/';
    }
    if (errno == ERANGE) {
        errno = ENAMETOOLONG;
    }
    return false;
}

std::optional<int> search_only_access()
{
#ifdef O_SEARCH
    return O_SEARCH;
#else
    return std::nullopt;
#endif
}

std::optional<DirectoryId> identity_of_current()
{
    struct stat status {};
    if (stat(".", &status) != 0) {
        return std::nullopt;
    }
    return DirectoryId{static_cast<std::uint64_t>(status.st_dev),
                       static_cast<std::uint64_t>(status.st_ino)};
}

std::optional<ChildStatus> status_of_child(int fd)
{
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        return std::nullopt;
    }
    const DirectoryId id{static_cast<std::uint64_t>(status.st_dev),
                         static_cast<std::uint64_t>(status.st_ino)};
    return ChildStatus{id, S_ISDIR(status.st_mode), false};
}

bool stat_entry_at(int directory_fd, const char* path, int flags, EntryStatus& status)
{
    struct stat found {};
    if (fstatat(directory_fd, path, &found, flags) != 0) {
        return false;
    }
    status = {static_cast<unsigned>(found.st_mode), static_cast<std::uint64_t>(found.st_size),
              stamp_of(found.st_mtim), stamp_of(found.st_atim), false, {}};
    return true;
}
