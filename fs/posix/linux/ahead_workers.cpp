// The read-ahead's workers: each takes the first work in the walk's order
// (a directory to open, a block of it to read, a few of its entries to
// stat, its free space to ask) and does it outside the lock, so that as
// many requests are in flight as there are workers. A directory is opened
// from its parent's descriptor, never through a link or onto another mount,
// and its entries are stat-ed through its own, by the very call the walk
// makes: what a worker brings is what the walk would have found.
#include "fs/posix/linux/ahead_tree.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace ahead {

namespace {

using Clock = std::chrono::steady_clock;

struct Opened {
    int fd = -1;
    DirectoryId id{};
    int error = 0;
    bool refused = false; // the host will not open beneath a directory: no read-ahead here
};

Opened open_beneath(const Node& node)
{
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV | RESOLVE_NO_MAGICLINKS;
    Opened opened;
    opened.fd = static_cast<int>(
        syscall(SYS_openat2, node.parent->fd, node.name.c_str(), &how, sizeof how));
    if (opened.fd < 0) {
        opened.error = errno;
        opened.refused = errno == ENOSYS || errno == EPERM || errno == E2BIG ||
                         errno == EINVAL || errno == EMFILE || errno == ENFILE;
        return opened;
    }
    const auto status = status_of_child(opened.fd);
    if (!status) {
        opened.error = errno;
        close(opened.fd);
        opened.fd = -1;
        return opened;
    }
    opened.id = status->id;
    return opened;
}

// A worker's room for the largest read, taken once and read into every
// time: a block then keeps only what its read filled, and no large block of
// memory comes and goes with each directory.
struct Scratch {
    char* records = nullptr;
    BlockEntry* entries = nullptr;

    Scratch() = default;
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch()
    {
        std::free(records);
        std::free(entries);
    }

    bool ready()
    {
        if (records == nullptr) {
            records = static_cast<char*>(std::malloc(BLOCK_BYTES));
        }
        if (entries == nullptr) {
            entries = static_cast<BlockEntry*>(std::malloc(MOST_PER_BLOCK * sizeof(BlockEntry)));
        }
        return records != nullptr && entries != nullptr;
    }
};

thread_local Scratch scratch;

// A copy of the first bytes of from, or null where memory is short.
template <typename T>
T* copy_of(const T* from, std::size_t bytes)
{
    auto* copy = static_cast<T*>(std::malloc(std::max<std::size_t>(bytes, 1)));
    if (copy != nullptr) {
        std::memcpy(copy, from, bytes);
    }
    return copy;
}

// The next block of the directory into block, its records indexed; got as
// getdents64 gives it. Where memory for its own copy is short, the block
// takes the worker's room itself, so that nothing read is lost, and
// short_of_memory says so.
long read_block(const Node& node, Block& block, int& error, bool& short_of_memory)
{
    long got = 0;
    do {
        got = syscall(SYS_getdents64, node.fd, scratch.records, BLOCK_BYTES);
    } while (got < 0 && errno == EINTR);
    error = got < 0 ? errno : 0;
    for (long at = 0; at < got && block.count < MOST_PER_BLOCK;) {
        new (&scratch.entries[block.count]) BlockEntry{};
        scratch.entries[block.count++].offset = static_cast<std::uint16_t>(at);
        at += reinterpret_cast<const dirent64*>(scratch.records + at)->d_reclen;
    }
    if (got <= 0) {
        return got;
    }
    block.records = copy_of(scratch.records, static_cast<std::size_t>(got));
    block.entries = copy_of(scratch.entries, block.count * sizeof(BlockEntry));
    if (block.records == nullptr || block.entries == nullptr) {
        std::free(block.records);
        std::free(block.entries);
        block.records = std::exchange(scratch.records, nullptr);
        block.entries = std::exchange(scratch.entries, nullptr);
        short_of_memory = true;
    }
    return got;
}

void gather(const Work& work)
{
    Block& block = *work.block;
    for (std::uint32_t index = work.first; index < work.last; ++index) {
        if (block.state(index) == EntryState::GATHERING) {
            block.facts(index) = gather_facts(work.node->fd, block.record(index).d_name);
        }
    }
}

// The time of the chunk's stats made again, now that they are cached: the
// yardstick a first stat's time is held against.
Clock::duration time_of_repeat(const Work& work)
{
    const Block& block = *work.block;
    const auto began = Clock::now();
    for (std::uint32_t index = work.first; index < work.last; ++index) {
        if (block.state(index) == EntryState::GATHERING) {
            gather_facts(work.node->fd, block.record(index).d_name);
        }
    }
    return Clock::now() - began;
}

void stop(Tree& shared)
{
    shared.mode = Mode::STOPPED;
    shared.work_ready.notify_all();
    shared.progress.notify_all();
}

// The times this worker has slept in the kernel, waiting for something.
long waits_so_far()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

Verdict& verdict()
{
    static Verdict measured;
    return measured;
}

// Does the work taken, outside the lock; back under it, records what it
// found. Memory running out stops the read-ahead.
void do_work(Tree& shared, const Work& work, std::unique_lock<std::mutex>& held)
{
    const bool repeat = work.kind == Work::GATHER && !work.node->listed &&
                        verdict().wants_repeat(shared.mode);
    held.unlock();
    const long waits_before = waits_so_far();
    const auto began = Clock::now();
    Verdict::Sample sample;
    sample.per_entry = work.kind == Work::GATHER;
    Node& node = *work.node;
    Opened opened;
    Block* block = nullptr;
    long got = 0;
    int error = 0;
    std::optional<std::uint64_t> free_bytes;
    bool short_of_memory = false;
    try {
        switch (work.kind) {
        case Work::OPEN: opened = open_beneath(node); break;
        case Work::READ:
            if (!scratch.ready()) {
                throw std::bad_alloc();
            }
            block = std::pmr::polymorphic_allocator<Block>(&memory()).new_object<Block>();
            got = read_block(node, *block, error, short_of_memory);
            break;
        case Work::GATHER:
            gather(work);
            if (repeat && waits_so_far() == waits_before) {
                const auto took = Clock::now() - began;
                sample.first_and_repeat.emplace(took, time_of_repeat(work));
            }
            break;
        case Work::FREE: free_bytes = free_bytes_of_open(node.fd); break;
        case Work::NONE: break;
        }
    } catch (...) {
        held.lock();
        shared.abandon(work);
        stop(shared);
        return;
    }
    sample.waited = waits_so_far() != waits_before;
    const bool waited = sample.waited;
    held.lock();
    const std::uint64_t added = shared.work_added;
    // Asked before the finish, which may free the node: a directory the walk
    // listed already is in the cache, and tells nothing of the file system.
    const bool telling = !node.listed;
    const bool for_walk = &node == shared.walk_at; // what the walk may be waiting for
    try {
        switch (work.kind) {
        case Work::OPEN:
            shared.finish_open(node, opened.fd, opened.id, opened.error);
            if (opened.refused) {
                stop(shared);
            }
            break;
        case Work::READ:
            shared.finish_read(node, block, got, error);
            if (short_of_memory) {
                stop(shared);
            }
            break;
        case Work::GATHER: shared.finish_gather(work); break;
        case Work::FREE: shared.finish_free(node, free_bytes); break;
        case Work::NONE: break;
        }
    } catch (...) {
        stop(shared); // no memory to note what was found: the walk reads for itself
        return;
    }
    if (telling && shared.running()) {
        const Mode judged = verdict().note(sample, shared.mode);
        if (judged == Mode::STOPPED) {
            stop(shared);
        } else {
            shared.requests_wait = verdict().requests_wait();
            shared.mode = judged;
        }
        // Small chunks only where each stat waits on a server: many then
        // go at once. A disk's waits are short, and a chunk's overhead is not.
        if (work.kind == Work::GATHER) {
            const bool many_in_flight = waited && (judged != Mode::ACTIVE || shared.requests_wait);
            shared.stat_chunk = many_in_flight ? STAT_CHUNK_WAITING : STAT_CHUNK_CACHED;
        }
    }
    // As many idle workers woken as there is new work for, no more, and only
    // where requests wait or are cold: answered from the cache, the work
    // goes faster on the worker at hand than a wakeup takes.
    const bool others_help = waited || (shared.mode == Mode::ACTIVE && !shared.requests_wait);
    const std::uint64_t wakes =
        others_help ? std::min<std::uint64_t>(shared.work_added - added, shared.idle_workers) : 0;
    for (std::uint64_t wake = 0; wake < wakes; ++wake) {
        shared.work_ready.notify_one();
    }
    if (for_walk) {
        shared.progress.notify_one();
    }
}

} // namespace

Mode Verdict::note(const Sample& sample, Mode now)
{
    if (sample.waited) {
        unwaited_in_a_row_ = 0;
    } else if (!sample.per_entry) {
        ++unwaited_in_a_row_;
    }
    if (sample.first_and_repeat) {
        const auto [first, repeat] = *sample.first_and_repeat;
        if (now == Mode::SCOUTING) {
            ++repeats_;
            first_total_ += first;
            repeat_total_ += repeat;
        } else {
            warm_repeats_in_a_row_ = first > COLD_RATIO * repeat ? 0 : warm_repeats_in_a_row_ + 1;
        }
    }
    if (now == Mode::ACTIVE) {
        // The rest of the tree is in the cache: the walk goes on alone.
        const bool warm = requests_wait_ ? unwaited_in_a_row_ >= WARM_IN_A_ROW
                                         : warm_repeats_in_a_row_ >= WARM_REPEATS_IN_A_ROW;
        return warm ? Mode::STOPPED : Mode::ACTIVE;
    }
    if (sample.per_entry) {
        ++entries_;
        entries_waited_ += sample.waited ? 1 : 0;
        return Mode::SCOUTING;
    }
    ++directories_;
    directories_waited_ += sample.waited ? 1 : 0;
    return judge_scouted();
}

Mode Verdict::judge_scouted()
{
    if (directories_ < SCOUTED) {
        return Mode::SCOUTING;
    }
    const bool directories_wait = 2 * directories_waited_ >= directories_;
    const bool entries_wait = entries_ >= SCOUTED && 2 * entries_waited_ >= entries_;
    if (directories_wait || entries_wait) {
        requests_wait_ = true;
        return Mode::ACTIVE;
    }
    if (repeats_ < REPEATS) {
        // Too few stats yet to hold against their repeats: a while longer.
        return directories_ < 2 * SCOUTED ? Mode::SCOUTING : Mode::STOPPED;
    }
    return first_total_ > COLD_RATIO * repeat_total_ ? Mode::ACTIVE : Mode::STOPPED;
}

bool Verdict::wants_repeat(Mode now)
{
    if (now == Mode::SCOUTING) {
        return true;
    }
    if (now != Mode::ACTIVE || requests_wait_) {
        return false;
    }
    chunks_since_repeat_ = (chunks_since_repeat_ + 1) % REPEAT_EVERY;
    return chunks_since_repeat_ == 0;
}

void run_worker()
{
    Tree& shared = tree();
    std::unique_lock held(shared.lock);
    while (shared.running()) {
        const Work work = shared.take_work();
        if (work.kind == Work::NONE) {
            ++shared.idle_workers;
            shared.work_ready.wait(held);
            --shared.idle_workers;
            continue;
        }
        do_work(shared, work, held);
    }
}

} // namespace ahead
