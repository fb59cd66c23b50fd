// The tree read ahead of the walk, as the read-ahead's workers and the walk
// share it under one lock: the directories in the walk's own order (each
// directory's subdirectories as its read gives them, depth first), each
// with the blocks of its read and the facts of their entries, and where the
// walk stands among them. Workers take the first piece of work in that
// order; the walk takes what they brought for the directory its own step
// entered. Every bound (descriptors, blocks held, directories known) is
// kept here; memory comes from malloc, so that running out ends the
// read-ahead, never the run.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstdint>
#include <memory_resource>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "fs/posix/posix_host.h"

namespace ahead {

// Memory from malloc and never through operator new, whose handler ends the
// run: a worker that runs out of memory throws, and the read-ahead ends.
std::pmr::memory_resource& memory();

// How far the read-ahead goes.
inline constexpr std::size_t BLOCK_BYTES = 32 * 1024; // one read: a usual directory whole
inline constexpr std::size_t MOST_PER_BLOCK = BLOCK_BYTES / 24; // the shortest record is 24 bytes
inline constexpr std::uint32_t MAX_BLOCKS_HELD = 128;
inline constexpr std::uint32_t MAX_ENTRIES_HELD = 16384; // with the blocks, some 2 MiB
inline constexpr std::uint32_t MAX_DIRECTORIES_KNOWN = 4096;
// Entries one worker stats at a time: a few where each stat waits, so that
// many are in flight; many where they come from the cache.
inline constexpr std::uint32_t STAT_CHUNK_WAITING = 4;
inline constexpr std::uint32_t STAT_CHUNK_CACHED = 64;

// Where an entry of a block stands.
enum class EntryState : std::uint8_t {
    NOT_NEEDED, // the walk describes it without a stat ("." and "..", or an undescribed directory)
    WANTED,     // its facts are to be gathered
    GATHERING,  // a worker gathers them
    GATHERED,
};

struct BlockEntry {
    EntryFacts facts;
    std::uint16_t offset = 0; // of its record
    EntryState state = EntryState::NOT_NEEDED;
};

// One block of a directory's read as the kernel gave it, with the facts of
// its entries: an exact copy of what a worker's read filled (or, where
// memory for the copy is short, the worker's own room, so that nothing read
// is lost).
struct Block {
    Block() = default;
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    ~Block()
    {
        std::free(records);
        std::free(entries);
    }

    Block* next = nullptr;
    std::uint32_t count = 0;   // entries
    std::uint32_t claimed = 0; // entries before it are gathered, in hand, or not needed
    std::uint32_t settled = 0; // leading entries gathered or not needed
    char* records = nullptr;       // from malloc
    BlockEntry* entries = nullptr; // from malloc, count of them

    const dirent64& record(std::uint32_t index) const
    {
        return *reinterpret_cast<const dirent64*>(records + entries[index].offset);
    }
    EntryState& state(std::uint32_t index) { return entries[index].state; }
    EntryState state(std::uint32_t index) const { return entries[index].state; }
    EntryFacts& facts(std::uint32_t index) { return entries[index].facts; }
    bool is_directory(std::uint32_t index) const; // a directory itself, not a link to one
};

enum class NodeState { WAITING, OPENING, OPEN, FAILED };

// A directory of the tree below the walk's start.
struct Node {
    Node* parent = nullptr;
    Node* first_child = nullptr;
    Node* last_child = nullptr;
    Node* next_sibling = nullptr;
    Node* prior = nullptr; // the walk's order
    Node* next = nullptr;
    std::uint32_t depth = 0;
    std::pmr::string name{&memory()};
    NodeState state = NodeState::WAITING;
    int fd = -1;
    DirectoryId id{};                   // as opened
    std::optional<DirectoryId> arrived; // where the walk's own step arrived, once it took this one

    bool listed = false;  // the walk has listed it, or reads it itself: its read only finds children
    bool dropped = false; // the walk will not list it, nor anything below it
    bool visited = false; // the walk has entered it or passed it over
    bool served = false;  // handed to a pass once; a second read is the walk's own
    bool reader_on = false;
    int busy = 0; // workers' operations on it in flight

    Block* first_block = nullptr;
    Block* last_block = nullptr;
    Block* children_from = nullptr; // the first block whose subdirectories are not yet known
    std::uint32_t children_at = 0;  // the entry of that block to look at next
    bool reading = false;
    bool read_done = false;
    bool read_failed = false;
    int read_error = 0;

    bool free_wanted = false;
    bool free_asked = false;
    bool free_done = false;
    std::optional<std::uint64_t> free_bytes;
};

// A piece of work, taken under the lock and done outside it.
struct Work {
    enum Kind { NONE, OPEN, READ, GATHER, FREE } kind = NONE;
    Node* node = nullptr;
    Block* block = nullptr;
    std::uint32_t first = 0; // GATHER: the entries [first, last)
    std::uint32_t last = 0;
};

enum class Mode { SCOUTING, ACTIVE, STOPPED };

// The shared tree, its bounds and the walk's place in it.
class Tree {
public:
    std::mutex lock;
    std::condition_variable work_ready; // workers wait here for work, or the end
    std::condition_variable progress;   // the walk waits here for what workers bring
    std::uint64_t work_added = 0;       // counts the work each change may give workers
    std::uint32_t idle_workers = 0;     // waiting on work_ready

    std::atomic<Mode> mode{Mode::SCOUTING};
    std::atomic<bool> requests_wait{false}; // once active: many workers, not one a CPU
    std::uint32_t stat_chunk = STAT_CHUNK_WAITING;
    Node* head = nullptr;    // the first of the walk's order still kept
    Node* walk_at = nullptr; // the directory the walk stands in, when the tree knows it
    int off_tree = 0;        // levels the walk stands below walk_at, in directories not known here
    std::uint32_t descriptor_budget = 0;

    // Makes the start directory, open at fd and listed by the walk already.
    void plant(int fd, const DirectoryId& id);

    Work take_work();
    void finish_open(Node& node, int fd, const DirectoryId& id, int error);
    // The block the read filled (count records), or none at the end or a
    // failure (error).
    void finish_read(Node& node, Block* block, long got, int error);
    void finish_gather(const Work& work);
    void finish_free(Node& node, std::optional<std::uint64_t> bytes);
    // The work could not be done (no memory for it): as if never taken.
    void abandon(const Work& work);

    // The walk's moves.
    void walk_entered(std::unique_lock<std::mutex>& held, const std::string& name,
                      const DirectoryId& here);
    void walk_passed_over(const std::string& name);
    void walk_returned();

    // The node of the directory the walk stands in, when it is current as
    // id and may be read for the walk; waits for its opening where a worker
    // has it in hand or, when active, is about to.
    Node* node_for_walk(std::unique_lock<std::mutex>& held, const DirectoryId& id);
    // The reader of node is done with it.
    void reader_done(Node& node);
    // Frees every node and closes every descriptor: the workers have ended.
    void clear();

    bool running() const { return mode != Mode::STOPPED; }
    // The walk waits for what workers bring, a worker woken first: the walk
    // wakes workers for what it frees only in batches (worth_waking), so
    // one may be asleep with work to do.
    void wait_for_workers(std::unique_lock<std::mutex>& held)
    {
        work_ready.notify_one();
        progress.wait(held);
    }
    // Whether what the walk has just freed or asked for is worth a worker's
    // wakeup: the walk's own directory is not ready, or a quarter of the
    // window is free. Waking a worker for each directory freed would cost a
    // switch each, where a batch costs one.
    bool worth_waking() const;
    bool is_walk_target(const Node& node) const { return &node == walk_at && off_tree == 0; }
    // The block after block of node, once the one before it is done with.
    void release_through(Node& node, Block* block);

private:
    Node* new_node(Node* parent, const char* name);
    void insert_child(Node& parent, Node& child);
    void make_children(Node& node);
    void drop(Node& node);
    void drop_children_before(Node& parent, Node* stop);
    void settle(Block& block);
    bool wants_facts(const Node& node, const dirent64& record) const;
    void release_blocks(Node& node);
    void tidy(Node* node);
    bool may_close(const Node& node) const;
    bool may_free(const Node& node) const;
    void unlink(Node& node);
    Work work_on(Node& node);
    Work gather_work(Node& node);

    bool room_to_read() const
    {
        return blocks_held_ < MAX_BLOCKS_HELD && entries_held_ < MAX_ENTRIES_HELD;
    }
    void forget(Block* block);

    std::uint32_t blocks_held_ = 0;
    std::uint32_t entries_held_ = 0;
    std::uint32_t nodes_known_ = 0;
    std::uint32_t descriptors_open_ = 0;
};

Tree& tree();

// What the read-ahead's requests say of the file system. One whose requests
// make a worker wait (it sleeps while a server or a disk answers) is read
// ahead with many requests in flight. One whose stats cost far more the
// first time than the same stats again (a local disk the cache has not
// seen, where the kernel builds every inode it is asked for) is read ahead
// by as many workers as there are CPUs. One that answers from the cache is
// left to the walk alone.
class Verdict {
public:
    using Duration = std::chrono::steady_clock::duration;

    struct Sample {
        bool waited = false;
        bool per_entry = false; // a chunk of entries' stats, not a directory request
        // For a chunk of stats that did not wait: its time, and the same stats' again.
        std::optional<std::pair<Duration, Duration>> first_and_repeat;
    };

    // Notes one request: the mode it calls for, from the mode now.
    Mode note(const Sample& sample, Mode now);
    // Whether the next chunk of stats that does not wait is to be repeated.
    bool wants_repeat(Mode now);
    // Whether the requests wait, once the verdict is active: else it is cold.
    bool requests_wait() const { return requests_wait_; }

private:
    Mode judge_scouted();

    static constexpr std::uint32_t SCOUTED = 8;        // directory requests that decide
    static constexpr std::uint32_t REPEATS = 4;        // repeated chunks that decide
    static constexpr std::uint32_t COLD_RATIO = 2;     // a first stat this much dearer is cold
    static constexpr std::uint32_t WARM_IN_A_ROW = 64; // directory requests none of which waited
    static constexpr std::uint32_t REPEAT_EVERY = 8;   // chunks between repeats, once active
    static constexpr std::uint32_t WARM_REPEATS_IN_A_ROW = 16;
    std::uint32_t directories_ = 0;
    std::uint32_t directories_waited_ = 0;
    std::uint32_t entries_ = 0;
    std::uint32_t entries_waited_ = 0;
    std::uint32_t unwaited_in_a_row_ = 0;
    std::uint32_t repeats_ = 0;
    Duration first_total_{};
    Duration repeat_total_{};
    std::uint32_t chunks_since_repeat_ = 0;
    std::uint32_t warm_repeats_in_a_row_ = 0;
    bool requests_wait_ = false;
};

// A worker: takes the first work in the walk's order, does it, and so on
// until the read-ahead stops.
void run_worker();

} // namespace ahead
