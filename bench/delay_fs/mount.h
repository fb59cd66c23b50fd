// Mounts the file system by hand and hands libfuse the connection through
// its custom I/O hooks, so as to tell the kernel that lookups in one
// directory may run in parallel: libfuse before 3.16 never passes that flag
// on, whatever the file system asks (libfuse pull request 861), and the
// kernel then runs one lookup per directory at a time, as no network share
// does. The hooks find the kernel's INIT request and set the flag in the
// reply, when the kernel offers it.
#pragma once

#include <fuse_lowlevel.h>
#include <linux/fuse.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace delay_fs {

constexpr const char* FS_NAME = "delayfs";
constexpr const char* FS_TYPE = "fuse.delayfs";
constexpr unsigned long MOUNT_FLAGS = MS_RDONLY | MS_NOSUID | MS_NODEV;
constexpr std::size_t MOUNT_DATA_SIZE = 128;
constexpr std::uint64_t NO_REQUEST = UINT64_MAX;

// The unique id of the kernel's INIT request when it offers parallel
// lookups; one connection per process.
inline std::atomic<std::uint64_t> init_to_patch{NO_REQUEST};

inline ssize_t read_request(int fd, void* buffer, size_t size, void*)
{
    const ssize_t length = read(fd, buffer, size);
    constexpr std::size_t INIT_SIZE = sizeof(fuse_in_header) + sizeof(fuse_init_in);
    if (length >= static_cast<ssize_t>(INIT_SIZE)) {
        fuse_in_header header{};
        std::memcpy(&header, buffer, sizeof header);
        fuse_init_in init{};
        std::memcpy(&init, static_cast<const char*>(buffer) + sizeof header, sizeof init);
        if (header.opcode == FUSE_INIT && (init.flags & FUSE_PARALLEL_DIROPS) != 0) {
            init_to_patch.store(header.unique);
        }
    }
    return length;
}

// libfuse writes a reply as its header and its argument, two pieces.
inline ssize_t write_reply(int fd, iovec* pieces, int count, void*)
{
    constexpr std::size_t FLAGS_END = offsetof(fuse_init_out, flags) + sizeof(std::uint32_t);
    if (count >= 2 && pieces[0].iov_len >= sizeof(fuse_out_header) && pieces[1].iov_len >= FLAGS_END) {
        fuse_out_header header{};
        std::memcpy(&header, pieces[0].iov_base, sizeof header);
        std::uint64_t expected = header.unique;
        if (header.error == 0 && init_to_patch.compare_exchange_strong(expected, NO_REQUEST)) {
            char* flags = static_cast<char*>(pieces[1].iov_base) + offsetof(fuse_init_out, flags);
            std::uint32_t value = 0;
            std::memcpy(&value, flags, sizeof value);
            value |= FUSE_PARALLEL_DIROPS;
            std::memcpy(flags, &value, sizeof value);
        }
    }
    return writev(fd, pieces, count);
}

// Mounts /dev/fuse at `mountpoint` and gives the session the connection.
// False, errno set, when that fails: mounting takes root (CAP_SYS_ADMIN).
inline bool mount_by_hand(fuse_session* session, const std::string& mountpoint)
{
    const int fd = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char data[MOUNT_DATA_SIZE];
    std::snprintf(data, sizeof data, "fd=%d,rootmode=%o,user_id=%u,group_id=%u", fd,
                  static_cast<unsigned>(S_IFDIR), static_cast<unsigned>(getuid()),
                  static_cast<unsigned>(getgid()));
    if (mount(FS_NAME, mountpoint.c_str(), FS_TYPE, MOUNT_FLAGS, data) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return false;
    }
    static const fuse_custom_io hooks = {write_reply, read_request, nullptr, nullptr};
    if (fuse_session_custom_io(session, &hooks, fd) != 0) {
        umount2(mountpoint.c_str(), MNT_DETACH);
        close(fd);
        errno = EIO;
        return false;
    }
    return true;
}

} // namespace delay_fs
