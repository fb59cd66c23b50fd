// An open directory of the source, read out in the kernel's chunks.
#pragma once

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/types.h>
#include <unistd.h>

namespace delay_fs {

// The kernel asks for a directory chunk by chunk, each from the offset the
// last entry of the one before gave. The entry that did not fit a chunk is
// kept for the next; any other offset is sought.
class DirStream {
public:
    // Opens the directory that the O_PATH descriptor `dir_fd` stands for;
    // nothing, with errno set, on failure.
    static std::unique_ptr<DirStream> open(int dir_fd)
    {
        const int fd = openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return nullptr;
        }
        DIR* dir = fdopendir(fd);
        if (dir == nullptr) {
            const int error = errno;
            close(fd);
            errno = error;
            return nullptr;
        }
        return std::unique_ptr<DirStream>(new DirStream(dir));
    }

    DirStream(const DirStream&) = delete;
    DirStream& operator=(const DirStream&) = delete;
    ~DirStream() { closedir(dir_); }

    void seek(off_t offset)
    {
        if (offset != offset_) {
            seekdir(dir_, offset);
            pending_ = nullptr;
            offset_ = offset;
        }
    }

    // The entry at the current offset; nullptr at the end, or on an error
    // (errno then not 0).
    const dirent* peek()
    {
        if (pending_ == nullptr) {
            errno = 0;
            pending_ = readdir(dir_);
        }
        return pending_;
    }

    // The entry peek gave went into a chunk: move past it.
    void take()
    {
        offset_ = pending_->d_off;
        pending_ = nullptr;
    }

private:
    explicit DirStream(DIR* dir) : dir_(dir) {}

    DIR* dir_;
    const dirent* pending_ = nullptr;
    off_t offset_ = 0;
};

} // namespace delay_fs
