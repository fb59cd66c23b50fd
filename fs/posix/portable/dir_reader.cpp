// Directories read through the C library's directory streams, made from the
// descriptor the reader owns.
#include "fs/posix/posix_host.h"

#include <cerrno>
#include <unistd.h>

#include "fs/host_hooks.h"

// The stream, which owns the descriptor once it is made.
struct DirReader::Source {
    DirStream stream;
};

DirReader::DirReader(int fd) : fd_(fd), source_(std::make_unique<Source>())
{
    source_->stream.reset(fdopendir(fd));
    failed_ = source_->stream == nullptr;
}

DirReader::~DirReader()
{
    if (source_->stream == nullptr && fd_ >= 0) {
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
    if (source_->stream == nullptr) {
        return nullptr;
    }
    errno = 0;
    const dirent* record = readdir(source_->stream.get());
    if (record == nullptr) {
        failed_ = failed_ || errno != 0;
        return nullptr;
    }
    entry_ = {record->d_name, record->d_type};
    return &entry_;
}
