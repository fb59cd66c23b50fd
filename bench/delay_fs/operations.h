// The operations table handed to libfuse, and what the file system asks of
// the kernel at INIT. Requests with no operation here get ENOSYS from libfuse.
#pragma once

#include "context.h"
#include "dir_requests.h"
#include "file_requests.h"
#include "node_requests.h"
#include "options.h"

#include <fuse_lowlevel.h>

namespace delay_fs {

// What the kernel may use: readdirplus always in the cache mode, never in
// the other; lookups in one directory in parallel either way (asked for
// here, and passed on to the kernel by mount.h, as libfuse 3.14 does not).
inline void on_init(void* userdata, fuse_conn_info* conn)
{
    const Context& context = *static_cast<Context*>(userdata);
    if ((conn->capable & FUSE_CAP_PARALLEL_DIROPS) != 0) {
        conn->want |= FUSE_CAP_PARALLEL_DIROPS;
    }
    conn->want &= ~static_cast<unsigned>(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO);
    if (context.mode == Mode::cache) {
        conn->want |= FUSE_CAP_READDIRPLUS;
    }
}

inline fuse_lowlevel_ops operations(Mode mode)
{
    fuse_lowlevel_ops ops{};
    ops.init = on_init;
    ops.lookup = on_lookup;
    ops.forget = on_forget;
    ops.forget_multi = on_forget_multi;
    ops.getattr = on_getattr;
    ops.readlink = on_readlink;
    ops.open = on_open;
    ops.read = on_read;
    ops.release = on_release;
    ops.opendir = on_opendir;
    ops.readdir = on_readdir;
    ops.releasedir = on_releasedir;
    ops.statfs = on_statfs;
    if (mode == Mode::cache) {
        ops.readdirplus = on_readdirplus;
    }
    return ops;
}

} // namespace delay_fs
