// The fixed wait every metadata request makes before it is answered.
#pragma once

#include <cerrno>
#include <ctime>

namespace delay_fs {

constexpr long NANOS_PER_MICRO = 1'000;
constexpr long NANOS_PER_SECOND = 1'000'000'000;

// A request's answer is due its delay after the request arrived: the work on
// the source is done meanwhile, so the client sees the delay and no more (as
// long as the work takes less). Each request sleeps in its own thread, so
// requests in flight wait at the same time, not one after another.
class Latency {
public:
    explicit Latency(long delay_us) : delay_ns_(delay_us * NANOS_PER_MICRO) {}

    // When the answer to a request arriving now is due.
    std::timespec due() const
    {
        std::timespec when{};
        clock_gettime(CLOCK_MONOTONIC, &when);
        when.tv_nsec += delay_ns_ % NANOS_PER_SECOND;
        when.tv_sec += delay_ns_ / NANOS_PER_SECOND + when.tv_nsec / NANOS_PER_SECOND;
        when.tv_nsec %= NANOS_PER_SECOND;
        return when;
    }

    void wait_until(const std::timespec& when) const
    {
        if (delay_ns_ == 0) {
            return;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) {
        }
    }

private:
    long delay_ns_;
};

} // namespace delay_fs
