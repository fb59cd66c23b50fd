// Directories read through the C library's directory streams, made from the
// descriptor the reader owns.
#include "fs/posix/posix_host.h"

#include <cerrno>
#include <unistd.h>

#include "fs/host_hooks.h"

namespace {

class StreamReader final : public DirReader {
public:
    // The stream owns the descriptor once it is made.
    explicit StreamReader(int fd) : fd_(fd), stream_(fdopendir(fd)) { failed_ = stream_ == nullptr; }
    ~StreamReader() override
    {
        if (stream_ == nullptr) {
            close(fd_);
        }
    }

    int fd() const override { return fd_; }

    const DirEntry* next() override
    {
        if (const int error = run_host_hook(HostStep::READ_DIR, ""); error != 0) {
            errno = error;
            failed_ = true;
            return nullptr;
        }
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
    }

private:
    int fd_;
    DirStream stream_;
    DirEntry entry_;
};

} // namespace

std::unique_ptr<DirReader> open_dir_reader(int fd)
{
    return std::make_unique<StreamReader>(fd);
}
