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
#include <new>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ahead {

namespace {

using Clock = std::chrono::steady_clock;

// Slower than this, a request went to a disk or a server.
constexpr auto SLOW_REQUEST = std::chrono::microseconds(30);

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

// A block with room for the largest read, or none where memory is short.
Block* new_block()
{
    Block* block = std::pmr::polymorphic_allocator<Block>(&memory()).new_object<Block>();
    block->records = static_cast<char*>(std::malloc(BLOCK_BYTES));
    block->entries = static_cast<BlockEntry*>(std::malloc(MOST_PER_BLOCK * sizeof(BlockEntry)));
    if (block->records == nullptr || block->entries == nullptr) {
        std::pmr::polymorphic_allocator<Block>(&memory()).delete_object(block);
        throw std::bad_alloc();
    }
    return block;
}

// Gives back the room a read did not fill; where the memory cannot move,
// the block keeps what it has.
template <typename T>
void cut_to(T*& memory, std::size_t bytes)
{
    if (void* cut = std::realloc(memory, std::max<std::size_t>(bytes, 1))) {
        memory = static_cast<T*>(cut);
    }
}

// The next block of the directory, its records indexed; got as getdents64
// gives it.
long read_block(const Node& node, Block& block, int& error)
{
    long got = 0;
    do {
        got = syscall(SYS_getdents64, node.fd, block.records, BLOCK_BYTES);
    } while (got < 0 && errno == EINTR);
    error = got < 0 ? errno : 0;
    for (long at = 0; at < got && block.count < MOST_PER_BLOCK;) {
        new (&block.entries[block.count++]) BlockEntry{};
        block.entries[block.count - 1].offset = static_cast<std::uint16_t>(at);
        at += reinterpret_cast<const dirent64*>(block.records + at)->d_reclen;
    }
    cut_to(block.records, static_cast<std::size_t>(std::max(got, 0L)));
    cut_to(block.entries, block.count * sizeof(BlockEntry));
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

void stop(Tree& shared)
{
    shared.mode = Mode::STOPPED;
    shared.work_ready.notify_all();
    shared.progress.notify_all();
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
    held.unlock();
    const auto began = Clock::now();
    Node& node = *work.node;
    Opened opened;
    Block* block = nullptr;
    long got = 0;
    int error = 0;
    std::optional<std::uint64_t> free_bytes;
    try {
        switch (work.kind) {
        case Work::OPEN: opened = open_beneath(node); break;
        case Work::READ:
            block = new_block();
            got = read_block(node, *block, error);
            break;
        case Work::GATHER: gather(work); break;
        case Work::FREE: free_bytes = free_bytes_of_open(node.fd); break;
        case Work::NONE: break;
        }
    } catch (...) {
        held.lock();
        shared.abandon(work);
        stop(shared);
        return;
    }
    const auto took = Clock::now() - began;
    held.lock();
    const std::uint64_t added = shared.work_added;
    // Asked before the finish, which may free the node: a directory the walk
    // listed already is in the cache, and tells nothing of the file system.
    const bool telling = !node.listed;
    try {
        switch (work.kind) {
        case Work::OPEN:
            shared.finish_open(node, opened.fd, opened.id, opened.error);
            if (opened.refused) {
                stop(shared);
            }
            break;
        case Work::READ: shared.finish_read(node, block, got, error); break;
        case Work::GATHER: shared.finish_gather(work); break;
        case Work::FREE: shared.finish_free(node, free_bytes); break;
        case Work::NONE: break;
        }
    } catch (...) {
        stop(shared); // no memory to note what was found: the walk reads for itself
        return;
    }
    if (shared.mode == Mode::SCOUTING && telling) {
        const std::uint32_t entries = work.kind == Work::GATHER ? work.last - work.first : 1;
        const Mode judged = verdict().note(took / std::max<std::uint32_t>(entries, 1),
                                           work.kind == Work::GATHER);
        if (judged == Mode::STOPPED) {
            stop(shared);
        } else {
            shared.mode = judged;
        }
    }
    if (shared.work_added != added) {
        shared.work_ready.notify_all();
    }
    shared.progress.notify_one();
}

Clock::duration median(std::span<Clock::duration> taken)
{
    std::sort(taken.begin(), taken.end());
    return taken[taken.size() / 2];
}

} // namespace

Mode Verdict::note(Clock::duration took, bool per_entry)
{
    if (per_entry) {
        if (entries_ < entry_requests_.size()) {
            entry_requests_[entries_++] = took;
        }
    } else if (directories_ < directory_requests_.size()) {
        directory_requests_[directories_++] = took;
    }
    if (directories_ < directory_requests_.size()) {
        return Mode::SCOUTING;
    }
    // Medians: a request held up once (the machine busy elsewhere) decides nothing.
    const bool slow_directories = median(directory_requests_) > SLOW_REQUEST;
    const bool slow_entries = entries_ >= SAMPLES &&
                              median(std::span(entry_requests_).first(entries_)) > SLOW_REQUEST;
    return slow_directories || slow_entries ? Mode::ACTIVE : Mode::STOPPED;
}

void run_worker()
{
    Tree& shared = tree();
    std::unique_lock held(shared.lock);
    while (shared.running()) {
        const Work work = shared.take_work();
        if (work.kind == Work::NONE) {
            shared.work_ready.wait(held);
            continue;
        }
        do_work(shared, work, held);
    }
}

} // namespace ahead
