// Directories read in large blocks straight from the kernel with
// getdents64: opening costs no stat of the directory (opendir makes one),
// and a descriptor the walk already holds is read as it is.
#include "fs/posix/posix_host.h"

#include <cerrno>
#include <sys/syscall.h>
#include <unistd.h>

#include "fs/host_hooks.h"

namespace {

// Room for a few hundred entries: one call reads a usual directory whole.
constexpr std::size_t BLOCK_BYTES = 32 * 1024;

} // namespace

// The block the kernel last filled, and how far it has been read.
struct DirReader::Source {
    std::unique_ptr<char[]> block = std::make_unique_for_overwrite<char[]>(BLOCK_BYTES);
    std::size_t at = 0;
    std::size_t filled = 0;

    // The next block; false at the end, or on a failed read, which failed says.
    bool refill(int fd, bool& failed)
    {
        for (;;) {
            const long got = syscall(SYS_getdents64, fd, block.get(), BLOCK_BYTES);
            if (got > 0) {
                at = 0;
                filled = static_cast<std::size_t>(got);
                return true;
            }
            if (got < 0 && errno == EINTR) {
                continue;
            }
            failed = got < 0; // 0 is the end; anything else is a failed read
            return false;
        }
    }
};

DirReader::DirReader(int fd) : fd_(fd), source_(std::make_unique<Source>()) {}

DirReader::~DirReader()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

const DirEntry* DirReader::next()
{
    if (const int error = run_host_hook(HostStep::READ_DIR, ""); error != 0) {
        errno = error;
        failed_ = true;
        return nullptr;
    }
    if (source_->at == source_->filled && !source_->refill(fd_, failed_)) {
        return nullptr;
    }
    const auto* record = reinterpret_cast<const dirent64*>(source_->block.get() + source_->at);
    source_->at += record->d_reclen;
    entry_ = {record->d_name, record->d_type};
    return &entry_;
}
