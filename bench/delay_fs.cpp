// A FUSE file system that passes a directory through, read-only, and answers
// every metadata request (lookup, getattr, opendir, readdir, readdirplus,
// releasedir, statfs, readlink) only after a fixed delay: a slow network
// share, for timing directory walkers on one. Requests are served by up to
// --threads threads at once, each waiting its own delay, so a client with
// many requests in flight sees the delay once per request, not queued.
//
//   delay_fs --source DIR --mountpoint DIR --delay-us N --mode nocache|cache
//            [--threads N] [--count]
//
// nocache: entry, attribute and negative timeouts 0 and plain readdir, so the
// kernel keeps nothing and every stat is a round trip. cache: every
// directory read answered with its entries' attributes (readdirplus, always),
// names and attributes kept 60 s, as an NFS client with readdirplus and
// attribute caching does. Inode numbers are the source's own. Runs in the
// foreground until unmounted (fusermount3 -u DIR) or sent SIGTERM or SIGINT.
// As root it mounts by hand, so that lookups in one directory run in
// parallel too (delay_fs/mount.h says why); otherwise through libfuse.
//
// --count prints the requests served, by type, on standard error at the end;
// and at each SIGUSR1 those since the last print or reset (SIGUSR2 resets
// without printing), so a benchmark can count each run apart.
#define FUSE_USE_VERSION 314

#include "delay_fs/context.h"
#include "delay_fs/mount.h"
#include "delay_fs/operations.h"
#include "delay_fs/options.h"
#include "delay_fs/request_count.h"

#include <fuse_lowlevel.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <pthread.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using delay_fs::Context;
using delay_fs::Options;

// Sleeps end within a microsecond of when they are due rather than the
// default 50: at a delay of 200 us the default would add a quarter. The
// threads libfuse starts inherit it.
constexpr unsigned long TIMER_SLACK_NS = 1'000;
constexpr const char* MOUNT_OPTIONS = "ro,fsname=delayfs,subtype=delayfs";
constexpr std::array<int, 3> END_SIGNALS = {SIGTERM, SIGINT, SIGHUP};

// Every directory the kernel holds keeps a descriptor: allow as many as the
// hard limit does.
void raise_descriptor_limit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

sigset_t count_signals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGUSR1);
    sigaddset(&signals, SIGUSR2);
    return signals;
}

// Takes SIGUSR1 and SIGUSR2 on a thread of its own, for the life of the
// process; the other threads block both (they inherit the mask set in main).
void serve_count_signals(delay_fs::RequestCount& counts, bool print)
{
    const sigset_t signals = count_signals();
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) {
            continue;
        }
        if (signal == SIGUSR1 && print) {
            counts.print_and_reset("signal");
        } else {
            counts.reset();
        }
    }
}

// Mounts: by hand where allowed (root), else through libfuse (fusermount3),
// with lookups in one directory one at a time then, and says so.
bool mount_session(fuse_session* session, const Options& options, bool& by_hand)
{
    by_hand = delay_fs::mount_by_hand(session, options.mountpoint);
    if (by_hand) {
        return true;
    }
    if (errno != EPERM) {
        std::fprintf(stderr, "delay_fs: mount %s: %s\n", options.mountpoint.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::fprintf(stderr, "delay_fs: not root: mounted through libfuse, which serializes "
                         "lookups in one directory\n");
    return fuse_session_mount(session, options.mountpoint.c_str()) == 0;
}

// Serves until unmounted (the loop returns 0) or signalled (it returns the
// signal), then unmounts if still mounted. 0 on a clean end.
int serve(const Options& options, Context& context)
{
    std::array<char*, 3> argv = {const_cast<char*>("delay_fs"), const_cast<char*>("-o"),
                                 const_cast<char*>(MOUNT_OPTIONS)};
    fuse_args args{static_cast<int>(argv.size()), argv.data(), 0};
    const fuse_lowlevel_ops ops = delay_fs::operations(*options.mode);
    fuse_session* session = fuse_session_new(&args, &ops, sizeof ops, &context);
    if (session == nullptr) {
        return 1;
    }
    int result = 1;
    bool by_hand = false;
    // libfuse takes only signals left at their default; a shell starts a
    // background job with SIGINT ignored, and it should end on SIGINT too.
    for (const int signal : END_SIGNALS) {
        std::signal(signal, SIG_DFL);
    }
    if (fuse_set_signal_handlers(session) == 0) {
        if (mount_session(session, options, by_hand)) {
            fuse_loop_config* config = fuse_loop_cfg_create();
            fuse_loop_cfg_set_max_threads(config, options.threads);
            fuse_loop_cfg_set_idle_threads(config, options.threads);
            const int loop = fuse_session_loop_mt(session, config);
            fuse_loop_cfg_destroy(config);
            if (!by_hand) {
                fuse_session_unmount(session);
            } else if (loop != 0) {
                umount2(options.mountpoint.c_str(), MNT_DETACH);
            }
            result = loop >= 0 ? 0 : 1;
        }
        fuse_remove_signal_handlers(session);
    }
    fuse_session_destroy(session);
    fuse_opt_free_args(&args);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = delay_fs::parse_options(argc, argv);
    if (!options) {
        return 2;
    }
    const int root_fd = open(options->source.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat root {};
    if (root_fd < 0 || fstat(root_fd, &root) != 0) {
        std::fprintf(stderr, "delay_fs: %s: %s\n", options->source.c_str(), std::strerror(errno));
        return 1;
    }
    raise_descriptor_limit();
    prctl(PR_SET_TIMERSLACK, TIMER_SLACK_NS);
    const sigset_t signals = count_signals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    Context context(root_fd, root, *options->mode, options->delay_us);
    std::thread(serve_count_signals, std::ref(context.counts), options->count).detach();
    const int result = serve(*options, context);
    if (options->count) {
        context.counts.print_and_reset("exit");
    }
    return result;
}
