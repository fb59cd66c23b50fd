// The requests about one node: lookup, getattr, readlink, statfs, and the
// kernel's forgets. Each metadata request is worked on the source at once and
// answered when its delay is up.
#pragma once

#include "context.h"

#include <fuse_lowlevel.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace delay_fs {

// Looks `name` up in the directory `parent` and counts the lookup on the
// node it finds; fills `entry` (the source's own status, so its inode
// number) and returns 0, or returns the errno.
inline int look_up(Context& context, Node* parent, const char* name, fuse_entry_param& entry)
{
    entry = {};
    entry.entry_timeout = context.timeouts.entry;
    entry.attr_timeout = context.timeouts.attr;
    if (parent == nullptr) {
        return ESTALE;
    }
    if (parent->fd < 0) {
        return ENOTDIR;
    }
    if (fstatat(parent->fd, name, &entry.attr, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    int fd = -1;
    if (S_ISDIR(entry.attr.st_mode)) {
        fd = openat(parent->fd, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 || fstat(fd, &entry.attr) != 0) {
            const int error = errno;
            if (fd >= 0) {
                close(fd);
            }
            return error;
        }
    }
    entry.ino = context.nodes.remember(*parent, name, entry.attr, fd);
    return 0;
}

inline void on_lookup(fuse_req_t req, fuse_ino_t parent, const char* name)
{
    Context& context = context_of(req);
    const std::timespec due = context.start(Request::lookup);
    fuse_entry_param entry{};
    const int error = look_up(context, context.nodes.get(parent), name, entry);
    context.finish(due);
    if (error == ENOENT && context.timeouts.negative > 0) {
        entry = {}; // node id 0: the kernel keeps the name's absence
        entry.entry_timeout = context.timeouts.negative;
        fuse_reply_entry(req, &entry);
    } else if (error != 0) {
        fuse_reply_err(req, error);
    } else if (fuse_reply_entry(req, &entry) != 0) {
        context.nodes.forget(entry.ino, 1); // interrupted: the kernel took no lookup
    }
}

inline void on_getattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*)
{
    Context& context = context_of(req);
    const std::timespec due = context.start(Request::getattr);
    struct stat status {};
    const Node* node = context.nodes.get(ino);
    const int error = node == nullptr ? ESTALE : stat_node(*node, status);
    context.finish(due);
    if (error != 0) {
        fuse_reply_err(req, error);
    } else {
        fuse_reply_attr(req, &status, context.timeouts.attr);
    }
}

inline void on_readlink(fuse_req_t req, fuse_ino_t ino)
{
    Context& context = context_of(req);
    const std::timespec due = context.start(Request::readlink);
    const Node* node = context.nodes.get(ino);
    std::vector<char> target(PATH_MAX + 1);
    ssize_t length = -1;
    int error = EINVAL; // a directory is no link
    if (node == nullptr) {
        error = ESTALE;
    } else if (node->fd < 0) {
        length = readlinkat(node->parent->fd, node->name.c_str(), target.data(), target.size() - 1);
        error = length < 0 ? errno : 0;
    }
    context.finish(due);
    if (error != 0) {
        fuse_reply_err(req, error);
        return;
    }
    target[static_cast<std::size_t>(length)] = '\0';
    fuse_reply_readlink(req, target.data());
}

inline void on_statfs(fuse_req_t req, fuse_ino_t)
{
    Context& context = context_of(req);
    const std::timespec due = context.start(Request::statfs);
    struct statvfs status {};
    const int error = fstatvfs(context.nodes.get(FUSE_ROOT_ID)->fd, &status) == 0 ? 0 : errno;
    context.finish(due);
    if (error != 0) {
        fuse_reply_err(req, error);
    } else {
        fuse_reply_statfs(req, &status);
    }
}

inline void on_forget(fuse_req_t req, fuse_ino_t ino, uint64_t lookups)
{
    Context& context = context_of(req);
    context.counts.add(Request::forget);
    context.nodes.forget(ino, lookups);
    fuse_reply_none(req);
}

inline void on_forget_multi(fuse_req_t req, size_t count, fuse_forget_data* forgets)
{
    Context& context = context_of(req);
    for (size_t index = 0; index < count; ++index) {
        context.counts.add(Request::forget);
        context.nodes.forget(forgets[index].ino, forgets[index].nlookup);
    }
    fuse_reply_none(req);
}

} // namespace delay_fs
