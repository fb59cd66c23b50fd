// A read-ahead for a walk on a cold cache. A second thread goes through the
// tree in the walk's own order (each directory's subdirectories as its read
// gives them, depth first), a few directories ahead of it, reads each
// directory and stats its entries, and throws the results away: it only
// brings into the cache what the walk is about to ask for, so the walk's own
// calls find it there. The walk observes nothing else: the thread changes no
// directory, shares nothing but a count of the subdirectories the walk has
// taken (listed or passed over, as it tells through walk_ahead), and
// holds at most two descriptors (the start directory and the one it reads),
// so it starts only where the file limit leaves plenty of room. It gives up
// at the first sign that it does not help: a run of directories whose stats
// cost little more than the same stats repeated (the cache is warm), a run
// of directories the walk reached first, or a walk that stays in one place.
#include "fs/walk_ahead.h"
#include "fs/posix/posix_host.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <linux/openat2.h>
#include <memory_resource>
#include <new>
#include <numeric>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t MAX_AHEAD = 32;     // directories read before the walk enters them
constexpr std::uint32_t MAX_ENTRIES_AHEAD = 4096; // entries stat-ed before the walk gets there
constexpr std::uint64_t NEAR_WALK = 8;      // leaves this close are left to the walk
constexpr int GIVE_UP_BEHIND = 32;          // directories in a row the walk entered first
constexpr int GIVE_UP_CACHED = 8;           // directories measured in a row found in the cache
constexpr std::uint64_t MEASURE_EVERY = 2;  // one directory read ahead in this many is measured
constexpr std::size_t CACHED_SAMPLE = 4;    // stats repeated to learn what a cached one costs
constexpr int UNCACHED_FACTOR = 4;          // first stats this many times dearer: not cached
constexpr auto PACE = std::chrono::microseconds(50);      // the wait while far enough ahead
constexpr auto STALLED = std::chrono::milliseconds(50);   // the walk this long in one place
constexpr rlim_t MIN_FILE_LIMIT = 256;      // the walk needs a handful; far more must be left
constexpr std::size_t MANY_ENTRIES = 512;   // a block of them stat-ed in inode order, the disk's
constexpr std::size_t BLOCK_BYTES = 32 * 1024;

std::atomic<std::uint64_t> walk_steps{0};
std::atomic<bool> stop_requested{false};

bool stopping()
{
    return stop_requested.load(std::memory_order_relaxed);
}

std::uint64_t walk_progress()
{
    return walk_steps.load(std::memory_order_relaxed);
}

// The thread's memory comes from malloc and never through operator new: a
// failure there would run the program's handler, which ends the run, on
// this thread. Here it only ends the read-ahead.
class MallocResource : public std::pmr::memory_resource {
    void* do_allocate(std::size_t bytes, std::size_t) override
    {
        if (void* memory = std::malloc(bytes)) {
            return memory;
        }
        throw std::bad_alloc();
    }
    void do_deallocate(void* memory, std::size_t, std::size_t) override { std::free(memory); }
    bool do_is_equal(const memory_resource& other) const noexcept override
    {
        return this == &other;
    }
};

MallocResource& thread_memory()
{
    static MallocResource resource;
    return resource;
}

using String = std::pmr::string;
template <typename T>
using Vector = std::pmr::vector<T>;

// A descriptor closed however the read-ahead ends.
struct Closing {
    int fd;
    explicit Closing(int descriptor) : fd(descriptor) {}
    Closing(const Closing&) = delete;
    Closing& operator=(const Closing&) = delete;
    ~Closing() { close(fd); }
};

// A subdirectory, and whether its link count says it has none of its own.
struct Child {
    String name;
    bool leaf = false;
};

// What a directory's stats showed of the cache.
enum class Cache { UNMEASURED, WARM, COLD };

struct Listing {
    Vector<Child> subdirectories{&thread_memory()};
    std::size_t entries = 0;
    Cache cache = Cache::UNMEASURED;
};

struct Named {
    ino_t inode;
    const char* name; // in the block read
    unsigned char type;
    bool leaf = false;
};

// The entries of one block of a directory's read, "." and ".." left out.
void collect(const Vector<char>& block, long got, Vector<Named>& entries)
{
    entries.clear();
    for (long at = 0; at < got;) {
        const auto* record = reinterpret_cast<const dirent64*>(block.data() + at);
        at += record->d_reclen;
        if (!is_dot_entry(record->d_name)) {
            entries.push_back({record->d_ino, record->d_name, record->d_type});
        }
    }
}

// The order to stat in: the read's, or the inodes' where a block holds many.
void stat_order(const Vector<Named>& entries, Vector<std::size_t>& order)
{
    order.resize(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (entries.size() >= MANY_ENTRIES) {
        std::sort(order.begin(), order.end(), [&](std::size_t left, std::size_t right) {
            return entries[left].inode < entries[right].inode;
        });
    }
}

int stat_name(int fd, const char* name, struct stat& status)
{
    return fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW);
}

// What a directory's stats cost, and a few of its names to repeat them on.
struct Probe {
    Clock::duration spent{};
    std::size_t stat_ed = 0;
    Vector<String> sample{&thread_memory()};

    // Whether the stats had to fetch what the cache lacked: they cost more
    // than the same calls repeated on the sample, now cached whatever the
    // cache held before, scaled to all. Measured rather than fixed, as what
    // a cached stat costs differs tenfold between machines.
    Cache verdict(int fd) const
    {
        if (sample.empty()) {
            return Cache::UNMEASURED;
        }
        const auto start = Clock::now();
        for (const String& name : sample) {
            struct stat status {};
            (void)stat_name(fd, name.c_str(), status);
        }
        const auto cached = (Clock::now() - start) * static_cast<Clock::rep>(stat_ed) /
                            static_cast<Clock::rep>(sample.size());
        return spent > UNCACHED_FACTOR * cached ? Cache::COLD : Cache::WARM;
    }
};

// Stats the entries of a block (all of them, or those of unknown kind alone)
// and notes which are directories without subdirectories.
void stat_entries(int fd, Vector<Named>& entries, bool all, Probe& probe)
{
    Vector<std::size_t> order{&thread_memory()};
    stat_order(entries, order);
    const auto start = Clock::now();
    for (const std::size_t index : order) {
        if (stopping()) {
            return; // the program is ending: no large directory holds it up
        }
        Named& entry = entries[index];
        if (!all && entry.type != DT_UNKNOWN) {
            continue;
        }
        struct stat status {};
        const int result = stat_name(fd, entry.name, status);
        ++probe.stat_ed;
        if (probe.sample.size() < CACHED_SAMPLE) {
            probe.sample.emplace_back(entry.name);
        }
        if (result == 0 && entry.type == DT_UNKNOWN) {
            entry.type = S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
        }
        // Two links, its name and its own ".": no subdirectory links to it.
        entry.leaf = result == 0 && S_ISDIR(status.st_mode) && status.st_nlink == 2;
    }
    probe.spent += Clock::now() - start;
}

// The directory open at fd read block by block, each block's entries
// stat-ed when stat_all is set (else only those the read gave no kind), and
// the stats measured against the cache when measure is set; closes fd. Only
// the subdirectories' names are kept, so a huge directory costs one block.
Listing read_directory(int fd, bool stat_all, bool measure = false)
{
    const Closing closing{fd};
    Listing listing;
    Vector<char> block(BLOCK_BYTES, &thread_memory());
    Vector<Named> entries{&thread_memory()};
    Probe probe;
    while (!stopping()) {
        const long got = syscall(SYS_getdents64, fd, block.data(), block.size());
        if (got <= 0) {
            break;
        }
        collect(block, got, entries);
        listing.entries += entries.size();
        stat_entries(fd, entries, stat_all, probe);
        for (const Named& entry : entries) {
            if (entry.type == DT_DIR) {
                listing.subdirectories.push_back({String{entry.name, &thread_memory()}, entry.leaf});
            }
        }
    }
    listing.cache = measure ? probe.verdict(fd) : Cache::UNMEASURED;
    return listing;
}

enum class Opened { OPEN, SKIP, REFUSED };

// The directory at path below the start directory, never through a link or
// onto another mount, whatever the tree does meanwhile.
Opened open_beneath(int start_fd, const String& path, int& fd)
{
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV | RESOLVE_NO_MAGICLINKS;
    fd = static_cast<int>(syscall(SYS_openat2, start_fd, path.c_str(), &how, sizeof how));
    if (fd >= 0) {
        return Opened::OPEN;
    }
    const bool refused = errno == ENOSYS || errno == EPERM || errno == E2BIG ||
                         errno == EINVAL || errno == EMFILE || errno == ENFILE;
    return refused ? Opened::REFUSED : Opened::SKIP;
}

// The directories read ahead of the walk, by their place in its order, and
// their entries: what keeps the thread within its bounds.
class Lead {
public:
    // On to the next directory in the walk's order, with no entries read yet.
    void next() { entries_[++visited_ % entries_.size()] = 0; }
    void read(std::size_t entries)
    {
        entries_[visited_ % entries_.size()] =
            static_cast<std::uint32_t>(std::min<std::size_t>(entries, MAX_ENTRIES_AHEAD + 1));
    }
    bool reached() const { return visited_ <= walk_progress(); } // the walk is there or past
    bool near_walk() const { return visited_ <= walk_progress() + NEAR_WALK; }

    // Waits while far enough ahead; true when the thread is to go on, false
    // when the program ends or the walk stays where it is (a large directory,
    // or the walk has ended), where reading ahead no longer helps.
    bool pace() const
    {
        const auto since = Clock::now();
        while (too_far(walk_progress())) {
            if (stopping() || Clock::now() - since > STALLED) {
                return false;
            }
            std::this_thread::sleep_for(PACE);
        }
        return !stopping();
    }

private:
    bool too_far(std::uint64_t walk) const
    {
        if (visited_ > walk + MAX_AHEAD) {
            return true;
        }
        std::uint64_t ahead = 0; // entries of the directories read that the walk has not entered
        for (std::uint64_t place = walk + 1; place < visited_; ++place) {
            ahead += entries_[place % entries_.size()];
        }
        return ahead > MAX_ENTRIES_AHEAD;
    }

    std::uint64_t visited_ = 0; // as the walk counts its steps down
    std::array<std::uint32_t, 2 * MAX_AHEAD> entries_{};
};

struct Level {
    std::size_t path_length; // of the directory whose subdirectories these are
    Vector<Child> children;
    std::size_t next = 0;
};

// Goes through the tree below start_fd in the walk's order; closes start_fd.
void run_ahead(int start_fd)
{
    const Closing closing{start_fd};
    Vector<Level> stack{&thread_memory()};
    const int top = openat(start_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top >= 0) {
        stack.push_back({0, read_directory(top, false).subdirectories});
    }
    String path{&thread_memory()};
    Lead lead;
    int behind = 0;
    int cached = 0;
    std::uint64_t read_first = 0; // directories read before the walk reached them
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.children.size()) {
            stack.pop_back();
            continue;
        }
        const Child& child = level.children[level.next++];
        path.resize(level.path_length);
        if (!path.empty()) {
            path += '/';
        }
        path += child.name;
        lead.next();
        if (!lead.pace()) {
            return;
        }
        // A directory without subdirectories that the walk is about to reach
        // is left to it: the thread reads one further on meanwhile, so that
        // both fetch from the disk at once, and it keeps its lead.
        if (child.leaf && lead.near_walk()) {
            continue;
        }
        const bool reached = lead.reached();
        behind = reached ? behind + 1 : 0;
        if (behind >= GIVE_UP_BEHIND) {
            return;
        }
        int fd = -1;
        const Opened opened = open_beneath(start_fd, path, fd);
        if (opened == Opened::REFUSED) {
            return;
        }
        if (opened == Opened::SKIP) {
            continue;
        }
        const bool measure = !reached && ++read_first % MEASURE_EVERY == 0;
        Listing listing = read_directory(fd, !reached, measure);
        lead.read(listing.entries);
        if (listing.cache != Cache::UNMEASURED) {
            cached = listing.cache == Cache::WARM ? cached + 1 : 0;
            if (cached >= GIVE_UP_CACHED) {
                return;
            }
        }
        stack.push_back({path.size(), std::move(listing.subdirectories)});
    }
}

bool several_cpus()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    return sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 1;
}

bool files_to_spare()
{
    rlimit limit{};
    return getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur >= MIN_FILE_LIMIT;
}

// The thread, stopped and joined when the walk ends, and at the latest
// when the program does (every exit goes through the C library's).
struct ReadAhead {
    std::thread thread;

    void stop()
    {
        stop_requested.store(true, std::memory_order_relaxed);
        if (thread.joinable()) {
            thread.join();
        }
    }
    ~ReadAhead() { stop(); }
};

ReadAhead& read_ahead()
{
    static ReadAhead instance;
    return instance;
}

void walk_took_one()
{
    walk_steps.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

namespace walk_ahead {

void start()
{
    static bool tried = false;
    if (tried) {
        return;
    }
    tried = true;
    if (!several_cpus() || !files_to_spare()) {
        return;
    }
    const int start_fd = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (start_fd < 0) {
        return;
    }
    // Made before the thread's holder, so ended after it: the thread, joined
    // when the program ends, frees its memory into a resource still there.
    thread_memory();
    try {
        read_ahead().thread = std::thread([start_fd] {
            try {
                run_ahead(start_fd);
            } catch (...) {
                // out of memory: the read-ahead only ends early
            }
        });
    } catch (...) {
        close(start_fd); // no thread: the walk goes alone
    }
}

void listing(const DirectoryId& /*here*/)
{
    walk_took_one();
}

void passed_over()
{
    walk_took_one();
}

void stop()
{
    read_ahead().stop();
}

} // namespace walk_ahead
