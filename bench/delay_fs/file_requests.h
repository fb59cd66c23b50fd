// Reading a file's contents: passed through without delay, as the walkers
// timed never read a file.
#pragma once

#include "context.h"

#include <fuse_lowlevel.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace delay_fs {

// Read-only: a file is for looking at by hand here.
inline void on_open(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi)
{
    Context& context = context_of(req);
    context.counts.add(Request::open);
    const Node* node = context.nodes.get(ino);
    if (node == nullptr || node->fd >= 0) {
        fuse_reply_err(req, node == nullptr ? ESTALE : EISDIR);
        return;
    }
    if ((fi->flags & O_ACCMODE) != O_RDONLY) {
        fuse_reply_err(req, EROFS);
        return;
    }
    const int fd = openat(node->parent->fd, node->name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        fuse_reply_err(req, errno);
        return;
    }
    fi->fh = static_cast<std::uint64_t>(fd);
    if (fuse_reply_open(req, fi) != 0) {
        close(fd);
    }
}

inline void on_read(fuse_req_t req, fuse_ino_t, size_t size, off_t offset, fuse_file_info* fi)
{
    context_of(req).counts.add(Request::read);
    std::vector<char> data(size);
    const ssize_t length = pread(static_cast<int>(fi->fh), data.data(), size, offset);
    if (length < 0) {
        fuse_reply_err(req, errno);
    } else {
        fuse_reply_buf(req, data.data(), static_cast<std::size_t>(length));
    }
}

inline void on_release(fuse_req_t req, fuse_ino_t, fuse_file_info* fi)
{
    context_of(req).counts.add(Request::release);
    close(static_cast<int>(fi->fh));
    fuse_reply_err(req, 0);
}

} // namespace delay_fs
