// What every request handler shares: the nodes, the delay, the counts and
// the timeouts of the mode.
#pragma once

#include "latency.h"
#include "node_table.h"
#include "options.h"
#include "request_count.h"

#include <fuse_lowlevel.h>

#include <ctime>
#include <sys/stat.h>

namespace delay_fs {

// How long the kernel may keep what it is told, in seconds.
struct Timeouts {
    double entry = 0;
    double attr = 0;
    double negative = 0;
};

constexpr double CACHE_TIMEOUT_S = 60.0;

inline Timeouts timeouts_for(Mode mode)
{
    return mode == Mode::cache ? Timeouts{CACHE_TIMEOUT_S, CACHE_TIMEOUT_S, CACHE_TIMEOUT_S}
                               : Timeouts{};
}

struct Context {
    Context(int root_fd, const struct stat& root, Mode mode_, long delay_us)
        : nodes(root_fd, root), latency(delay_us), mode(mode_), timeouts(timeouts_for(mode_))
    {
    }

    // Counts a delayed request and says when its answer is due.
    std::timespec start(Request request)
    {
        counts.add(request);
        counts.enter();
        return latency.due();
    }

    // Waits until the answer is due; the caller answers next.
    void finish(const std::timespec& due)
    {
        latency.wait_until(due);
        counts.leave();
    }

    NodeTable nodes;
    Latency latency;
    RequestCount counts;
    Mode mode;
    Timeouts timeouts;
};

inline Context& context_of(fuse_req_t req)
{
    return *static_cast<Context*>(fuse_req_userdata(req));
}

} // namespace delay_fs
