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

class BlockReader final : public DirReader {
public:
    explicit BlockReader(int fd) : fd_(fd) {}
    ~BlockReader() override { close(fd_); }

    int fd() const override { return fd_; }

    const DirEntry* next() override
    {
        if (const int error = run_host_hook(HostStep::READ_DIR, ""); error != 0) {
            errno = error;
            failed_ = true;
            return nullptr;
        }
        if (at_ == filled_ && !refill()) {
            return nullptr;
        }
        const auto* record = reinterpret_cast<const dirent64*>(block_.get() + at_);
        at_ += record->d_reclen;
        entry_ = {record->d_name, record->d_type};
        return &entry_;
    }

private:
    // The next block; false at the end, or on a failed read, which failed says.
    bool refill()
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

    int fd_;
    std::unique_ptr<char[]> block_ = std::make_unique_for_overwrite<char[]>(BLOCK_BYTES);
    std::size_t at_ = 0;
    std::size_t filled_ = 0;
    DirEntry entry_;
};

} // namespace

std::unique_ptr<DirReader> open_dir_reader(int fd)
{
    return std::make_unique<BlockReader>(fd);
}
