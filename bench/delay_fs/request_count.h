// Counts the requests delay_fs serves, by type, and prints them on one line.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace delay_fs {

// The delayed (metadata) requests first, through releasedir.
enum class Request : std::size_t {
    lookup,
    getattr,
    readlink,
    opendir,
    readdir,
    readdirplus,
    releasedir,
    statfs,
    forget,
    open,
    read,
    release,
};

constexpr std::size_t REQUEST_TYPES = static_cast<std::size_t>(Request::release) + 1;
constexpr std::size_t DELAYED_TYPES = static_cast<std::size_t>(Request::statfs) + 1;
constexpr std::array<std::string_view, REQUEST_TYPES> REQUEST_NAMES = {
    "lookup",     "getattr", "readlink", "opendir", "readdir", "readdirplus",
    "releasedir", "statfs",  "forget",   "open",    "read",    "release"};

class RequestCount {
public:
    void add(Request request)
    {
        counts_[static_cast<std::size_t>(request)].fetch_add(1, std::memory_order_relaxed);
    }

    // A delayed request starts or ends its wait: `peak` is the most that
    // waited at once, how many the clients kept in flight.
    void enter()
    {
        const std::uint64_t now = in_flight_.fetch_add(1, std::memory_order_relaxed) + 1;
        std::uint64_t peak = peak_.load(std::memory_order_relaxed);
        while (now > peak && !peak_.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
        }
    }

    void leave() { in_flight_.fetch_sub(1, std::memory_order_relaxed); }

    void reset()
    {
        for (auto& count : counts_) {
            count.store(0, std::memory_order_relaxed);
        }
        peak_.store(0, std::memory_order_relaxed);
    }

    // Prints "EVENT lookup=N getattr=N ... delayed=N peak=N" on standard
    // error and starts counting again from zero. delayed sums the metadata
    // requests, each of which waited the delay.
    void print_and_reset(std::string_view event)
    {
        std::string line(event);
        std::uint64_t delayed = 0;
        for (std::size_t index = 0; index < REQUEST_TYPES; ++index) {
            const std::uint64_t count = counts_[index].exchange(0, std::memory_order_relaxed);
            delayed += index < DELAYED_TYPES ? count : 0;
            line += ' ';
            line += REQUEST_NAMES[index];
            line += '=';
            line += std::to_string(count);
        }
        line += " delayed=" + std::to_string(delayed);
        line += " peak=" + std::to_string(peak_.exchange(0, std::memory_order_relaxed)) + '\n';
        const std::lock_guard lock(print_mutex_);
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }

private:
    std::array<std::atomic<std::uint64_t>, REQUEST_TYPES> counts_{};
    std::atomic<std::uint64_t> in_flight_{0};
    std::atomic<std::uint64_t> peak_{0};
    std::mutex print_mutex_;
};

} // namespace delay_fs
