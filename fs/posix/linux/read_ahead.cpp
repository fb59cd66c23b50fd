// Reading ahead of the walk on Linux. Once the walk first steps down, a
// worker thread reads the tree below the start directory in the walk's own
// order and notes whether its requests make it wait: where they come from
// the cache, it stops within a few directories and the walk goes alone;
// where each waits on a round trip (a network share, a disk the cache has
// not seen), more workers join,
// each with a request in flight, a bounded window ahead of the walk. The
// walk still takes every step itself, by name and checked as ever; the pass
// of a directory its step entered takes that directory's entries, with
// their stats, and its free space from what the workers brought, when they
// read the very same directory (same device and inode), and reads for
// itself otherwise. Workers start only where descriptors are free beyond
// what the walk needs, never take descriptor 0, 1 or 2 (the streams are
// held from the start), and are joined however the run ends.
#include "fs/walk_ahead.h"
#include "fs/host_hooks.h"
#include "fs/posix/linux/ahead_tree.h"

#include <algorithm>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>
#include <vector>

namespace {

using ahead::Mode;
using ahead::Node;
using ahead::Tree;

constexpr std::size_t MOST_WORKERS = 32;
constexpr std::size_t WORKER_STACK = 512 * 1024;
constexpr int WALK_DESCRIPTORS = 16;   // left free for the walk's own steps and reads
constexpr int MOST_DESCRIPTORS = 64;   // held by the read-ahead at once
constexpr int LEAST_DESCRIPTORS = 4;   // fewer free: no read-ahead
constexpr int FIRST_UNSHARED = 3;      // past the standard streams

// The descriptors free beyond the walk's own, counted by taking them (up to
// what the read-ahead would hold), not guessed from the limit: descriptors
// inherited count against it.
int spare_descriptors(int any_open)
{
    std::array<int, WALK_DESCRIPTORS + MOST_DESCRIPTORS> taken{};
    std::size_t count = 0;
    while (count < taken.size()) {
        const int copy = fcntl(any_open, F_DUPFD_CLOEXEC, FIRST_UNSHARED);
        if (copy < 0) {
            break;
        }
        taken[count++] = copy;
    }
    for (std::size_t index = 0; index < count; ++index) {
        close(taken[index]);
    }
    return static_cast<int>(count) - WALK_DESCRIPTORS;
}

// The CPUs this process may run on beside the walk's own (one at least),
// at most the most workers.
std::size_t cpus_to_use()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) {
        return 1;
    }
    return std::clamp<std::size_t>(static_cast<std::size_t>(CPU_COUNT(&allowed)) - 1, 1, MOST_WORKERS);
}

void* worker_main(void*)
{
    ahead::run_worker();
    return nullptr;
}

// The workers, joined when the walk ends, and at the latest when the
// program does (every exit goes through the C library's).
class Crew {
public:
    Crew() = default;
    Crew(const Crew&) = delete;
    Crew& operator=(const Crew&) = delete;
    ~Crew() { stop(); }

    bool started() const { return started_; }

    // Starts the first worker on the tree below the directory open at fd.
    bool start(int fd, const DirectoryId& id, int descriptors)
    {
        Tree& shared = ahead::tree();
        try {
            threads_.reserve(MOST_WORKERS);
            const std::lock_guard held(shared.lock);
            shared.plant(fd, id);
            shared.descriptor_budget = static_cast<std::uint32_t>(descriptors);
        } catch (...) {
            close(fd);
            return false;
        }
        started_ = true;
        if (!add_worker()) {
            stop();
            return false;
        }
        return true;
    }

    // As many workers as the mode asks for: one a request in flight where
    // requests wait, one a spare CPU where the kernel's own work is what costs.
    void staff()
    {
        if (!started_ || ahead::tree().mode != Mode::ACTIVE) {
            return;
        }
        const std::size_t wanted = ahead::tree().requests_wait ? MOST_WORKERS : cpus_to_use();
        while (threads_.size() < wanted && add_worker()) {
        }
    }

    void stop()
    {
        if (!started_) {
            return;
        }
        Tree& shared = ahead::tree();
        {
            const std::lock_guard held(shared.lock);
            shared.mode = Mode::STOPPED;
        }
        shared.work_ready.notify_all();
        shared.progress.notify_all();
        for (const pthread_t thread : threads_) {
            pthread_join(thread, nullptr);
        }
        threads_.clear();
        shared.clear();
        started_ = false;
    }

private:
    bool add_worker()
    {
        pthread_attr_t attributes;
        if (pthread_attr_init(&attributes) != 0) {
            return false;
        }
        pthread_attr_setstacksize(&attributes, WORKER_STACK);
        pthread_t thread{};
        const bool made = pthread_create(&thread, &attributes, worker_main, nullptr) == 0;
        pthread_attr_destroy(&attributes);
        if (made) {
            threads_.push_back(thread); // room reserved at start
        }
        return made;
    }

    std::vector<pthread_t> threads_;
    bool started_ = false;
};

Crew& crew()
{
    // The tree and its memory first: made before the crew, they are ended
    // after it, once every worker is joined.
    ahead::memory();
    ahead::tree();
    static Crew workers;
    return workers;
}

// A pass's read of a directory from what the workers brought: its blocks in
// order, each entry once its facts are in. Where the read-ahead stops
// before the end, the entries still without facts are stat-ed by the pass
// (through fd()), and the rest of the directory is read from where the
// workers' descriptor stands.
class AheadReader final : public DirReader {
public:
    explicit AheadReader(Node& node) : node_(node) {}
    ~AheadReader() override
    {
        const std::lock_guard held(ahead::tree().lock);
        ahead::tree().reader_done(node_);
        if (ahead::tree().worth_waking()) {
            ahead::tree().work_ready.notify_one();
        }
    }

    int fd() const override { return rest_ != nullptr ? rest_->fd() : node_.fd; }

    const DirEntry* next() override
    {
        if (rest_ != nullptr) {
            const DirEntry* entry = rest_->next();
            failed_ = rest_->failed();
            return entry;
        }
        // Entries known settled need no lock: no worker changes them again,
        // and only this reader lets their block go.
        if (block_ != nullptr && index_ < settled_) {
            return take_entry();
        }
        std::unique_lock held(ahead::tree().lock);
        for (;;) {
            if (const DirEntry* entry = next_held(held)) {
                return entry;
            }
            if (block_ != nullptr && block_->next != nullptr) {
                ahead::Block* passed = block_;
                block_ = block_->next;
                index_ = 0;
                settled_ = 0;
                ahead::tree().release_through(node_, passed);
                continue;
            }
            if (block_ == nullptr && node_.first_block != nullptr) {
                block_ = node_.first_block;
                continue;
            }
            if (node_.read_done) {
                failed_ = node_.read_failed;
                errno = node_.read_error;
                return nullptr;
            }
            if (ahead::tree().running() || node_.reading) {
                ahead::tree().wait_for_workers(held);
                continue;
            }
            held.unlock();
            return read_rest();
        }
    }

private:
    // The next entry of the current block, once it may go out: its facts
    // are in, or none are coming and the pass stats it itself.
    const DirEntry* next_held(std::unique_lock<std::mutex>& held)
    {
        if (block_ == nullptr || index_ >= block_->count) {
            return nullptr;
        }
        Tree& shared = ahead::tree();
        while (index_ >= block_->settled &&
               (shared.running() || block_->state(index_) == ahead::EntryState::GATHERING)) {
            shared.wait_for_workers(held);
        }
        settled_ = block_->settled;
        return take_entry();
    }

    const DirEntry* take_entry()
    {
        const dirent64& record = block_->record(index_);
        const bool gathered = block_->state(index_) == ahead::EntryState::GATHERED;
        entry_ = {record.d_name, record.d_type, gathered ? &block_->facts(index_) : nullptr};
        ++index_;
        return &entry_;
    }

    // The read-ahead stopped before the directory's end: the rest is read
    // here, through a copy of the workers' descriptor, which stands where
    // their last read left it.
    const DirEntry* read_rest()
    {
        const int copy = fcntl(node_.fd, F_DUPFD_CLOEXEC, FIRST_UNSHARED);
        if (copy < 0) {
            failed_ = true;
            return nullptr;
        }
        rest_ = open_dir_reader(copy);
        return next();
    }

    Node& node_;
    ahead::Block* block_ = nullptr;
    std::uint32_t index_ = 0;
    std::uint32_t settled_ = 0; // of block_, as last seen under the lock
    DirEntry entry_;
    std::unique_ptr<DirReader> rest_;
};

} // namespace

namespace walk_ahead {

void start()
{
    static bool tried = false;
    if (tried || host_hook_installed()) {
        return;
    }
    tried = true;
    const int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const auto status = status_of_child(fd);
    const int spare = spare_descriptors(fd);
    if (!status || spare < LEAST_DESCRIPTORS) {
        close(fd);
        return;
    }
    crew().start(fd, status->id, std::min(spare, MOST_DESCRIPTORS));
}

void entered(const host::Subdirectory& child, const DirectoryId& here)
{
    if (!crew().started()) {
        return;
    }
    bool wake = false;
    {
        std::unique_lock held(ahead::tree().lock);
        ahead::tree().walk_entered(held, child.name, here);
        wake = ahead::tree().worth_waking();
    }
    if (wake) {
        ahead::tree().work_ready.notify_one();
    }
    crew().staff();
}

void passed_over(const host::Subdirectory& child)
{
    if (!crew().started()) {
        return;
    }
    const std::lock_guard held(ahead::tree().lock);
    ahead::tree().walk_passed_over(child.name);
}

void returned()
{
    if (!crew().started()) {
        return;
    }
    bool wake = false;
    {
        const std::lock_guard held(ahead::tree().lock);
        ahead::tree().walk_returned();
        wake = ahead::tree().worth_waking();
    }
    if (wake) {
        ahead::tree().work_ready.notify_one();
    }
}

void stop()
{
    crew().stop();
}

} // namespace walk_ahead

std::unique_ptr<DirReader> reader_read_ahead(const DirectoryId& current)
{
    if (!crew().started()) {
        return nullptr;
    }
    crew().staff();
    Tree& shared = ahead::tree();
    std::unique_lock held(shared.lock);
    Node* node = shared.node_for_walk(held, current);
    if (node == nullptr) {
        return nullptr;
    }
    held.unlock();
    return std::make_unique<AheadReader>(*node);
}

std::optional<std::optional<std::uint64_t>> free_bytes_read_ahead(const DirectoryId& current)
{
    if (!crew().started()) {
        return std::nullopt;
    }
    Tree& shared = ahead::tree();
    std::unique_lock held(shared.lock);
    const Node* node = shared.off_tree == 0 ? shared.walk_at : nullptr;
    if (node == nullptr || node->arrived != current || node->state != ahead::NodeState::OPEN ||
        node->id != current || !node->free_wanted) {
        return std::nullopt;
    }
    while (shared.running() && !node->free_done) {
        shared.wait_for_workers(held);
    }
    if (!node->free_done) {
        return std::nullopt;
    }
    return node->free_bytes;
}

bool steps_only_look_up()
{
    return crew().started() && ahead::tree().mode == Mode::ACTIVE;
}
