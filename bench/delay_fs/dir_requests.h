// The requests about directories: opendir, readdir, readdirplus and
// releasedir, each answered when its delay is up.
#pragma once

#include "context.h"
#include "dir_stream.h"
#include "node_requests.h"

#include <fuse_lowlevel.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace delay_fs {

inline bool is_dot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

inline void on_opendir(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi)
{
    Context& context = context_of(req);
    const std::timespec due = context.start(Request::opendir);
    const Node* node = context.nodes.get(ino);
    std::unique_ptr<DirStream> stream;
    int error = ENOTDIR;
    if (node == nullptr) {
        error = ESTALE;
    } else if (node->fd >= 0) {
        stream = DirStream::open(node->fd);
        error = stream ? 0 : errno;
    }
    context.finish(due);
    if (error != 0) {
        fuse_reply_err(req, error);
        return;
    }
    fi->fh = reinterpret_cast<std::uintptr_t>(stream.get());
    if (fuse_reply_open(req, fi) == 0) {
        stream.release(); // releasedir closes it
    }
}

// One entry of a readdirplus chunk: its attributes and a lookup counted on
// its node, or none for "." and ".." and for a name gone meanwhile (the
// kernel then looks it up itself when it is asked for it).
inline fuse_entry_param entry_plus(Context& context, Node* dir, const dirent& entry)
{
    fuse_entry_param param{};
    if (is_dot(entry.d_name) || look_up(context, dir, entry.d_name, param) != 0) {
        param = {};
        param.attr.st_ino = entry.d_ino;
        param.attr.st_mode = DTTOIF(entry.d_type);
    }
    return param;
}

// Fills one chunk of at most `size` bytes from `offset` on, with each
// entry's attributes (readdirplus) or with its type alone (readdir).
inline void read_dir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset,
                     fuse_file_info* fi, bool plus)
{
    Context& context = context_of(req);
    const std::timespec due = context.start(plus ? Request::readdirplus : Request::readdir);
    auto& stream = *reinterpret_cast<DirStream*>(fi->fh);
    Node* dir = plus ? context.nodes.get(ino) : nullptr;
    std::vector<char> chunk(size);
    std::size_t used = 0;
    stream.seek(offset);
    const dirent* entry = nullptr;
    while ((entry = stream.peek()) != nullptr) {
        std::size_t needed = 0;
        fuse_ino_t counted = 0;
        if (plus) {
            const fuse_entry_param param = entry_plus(context, dir, *entry);
            counted = param.ino;
            needed = fuse_add_direntry_plus(req, chunk.data() + used, size - used, entry->d_name,
                                            &param, entry->d_off);
        } else {
            struct stat status {};
            status.st_ino = entry->d_ino;
            status.st_mode = DTTOIF(entry->d_type);
            needed = fuse_add_direntry(req, chunk.data() + used, size - used, entry->d_name,
                                       &status, entry->d_off);
        }
        if (needed > size - used) {
            if (counted != 0) {
                context.nodes.forget(counted, 1); // left for the next chunk
            }
            break;
        }
        used += needed;
        stream.take();
    }
    const int error = entry == nullptr ? errno : 0;
    context.finish(due);
    // An error after some entries went in is left for the next chunk to
    // meet: the lookups of those entries are counted already.
    if (error != 0 && used == 0) {
        fuse_reply_err(req, error);
    } else {
        fuse_reply_buf(req, chunk.data(), used);
    }
}

inline void on_readdir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset,
                       fuse_file_info* fi)
{
    read_dir(req, ino, size, offset, fi, false);
}

inline void on_readdirplus(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset,
                           fuse_file_info* fi)
{
    read_dir(req, ino, size, offset, fi, true);
}

inline void on_releasedir(fuse_req_t req, fuse_ino_t, fuse_file_info* fi)
{
    Context& context = context_of(req);
    const std::timespec due = context.start(Request::releasedir);
    delete reinterpret_cast<DirStream*>(fi->fh);
    context.finish(due);
    fuse_reply_err(req, 0);
}

} // namespace delay_fs
