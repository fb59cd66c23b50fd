// Directories read in large blocks. On Linux straight from the kernel with
// getdents64: opening costs no stat of the directory (opendir makes one),
// and a descriptor the walk already holds can be read as it is. Elsewhere
// through the C library's directory streams, made from the descriptor.
#include "fs/posix/posix_host.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#ifdef WENDEX_LINUX_CALLS
#include <sys/syscall.h>
#endif

#include "fs/host_hooks.h"

namespace {

#ifdef WENDEX_LINUX_CALLS
// Room for a few hundred entries: one call reads a usual directory whole.
constexpr std::size_t BLOCK_BYTES = 32 * 1024;
#endif

} // namespace

DirReader::DirReader(int fd) : fd_(fd)
{
#ifdef WENDEX_LINUX_CALLS
    block_ = std::make_unique_for_overwrite<char[]>(BLOCK_BYTES); // filled by the kernel
#else
    stream_.reset(fdopendir(fd));
    if (stream_ == nullptr) {
        failed_ = true;
    }
#endif
}

DirReader::~DirReader()
{
#ifndef WENDEX_LINUX_CALLS
    if (stream_ != nullptr) {
        return; // the stream owns the descriptor
    }
#endif
    if (fd_ >= 0) {
        close(fd_);
    }
}

std::unique_ptr<DirReader> DirReader::open(const char* path)
{
    if (const int error = run_host_hook(HostStep::OPEN_DIR, path); error != 0) {
        errno = error;
        return nullptr;
    }
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<DirReader>(fd);
}

const DirEntry* DirReader::next()
{
    if (const int error = run_host_hook(HostStep::READ_DIR, ""); error != 0) {
        errno = error;
        failed_ = true;
        return nullptr;
    }
#ifdef WENDEX_LINUX_CALLS
    if (at_ == filled_ && !refill()) {
        return nullptr;
    }
    const auto* record = reinterpret_cast<const dirent64*>(block_.get() + at_);
    at_ += record->d_reclen;
    entry_ = {record->d_name, record->d_type};
    return &entry_;
#else
    if (stream_ == nullptr) {
        return nullptr;
    }
    errno = 0;
    const dirent* record = readdir(stream_.get());
    if (record == nullptr) {
        failed_ = failed_ || errno != 0;
        return nullptr;
    }
    entry_ = {record->d_name, record->d_type};
    return &entry_;
#endif
}

#ifdef WENDEX_LINUX_CALLS
bool DirReader::refill()
{
    for (;;) {
        const long got = syscall(SYS_getdents64, fd_, block_.get(), BLOCK_BYTES);
        if (got > 0) {
            at_ = 0;
            filled_ = static_cast<std::size_t>(got);
            return true;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        failed_ = got < 0; // 0 is the end; anything else is a failed read
        return false;
    }
}
#endif
