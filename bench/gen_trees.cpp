// Makes the benchmark's trees under one directory, the same bytes of metadata
// on every run for a given seed: the tree (fanout 6, depth 5, 25 files in
// every directory: 242,606 entries), wide directories of 100,000, 50,000 and
// 1,000 files, and a chain 2,000 levels deep with one file per level. Files
// hold no data: sizes come from ftruncate (sparse, some above 4 GiB), times
// from futimens, so a full set takes seconds to make.
//
//   gen_trees ROOT [--seed N] [--huge] [--only NAME]
//
// --huge adds a directory of 1,000,000 files (for the memory check of /u).
// --only makes that one set alone, which may also be `latency`, made only so:
// a smaller tree (fanout 4, depth 4, 30 files in every directory: 10,571
// entries) for timing walks on a file system that delays every request.
// Prints one line per set: its name and the entries below it, the set's own
// directory included (what `find . | wc -l` counts there).
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A tree: every directory holds `files` files and, down to `depth` levels
// below the top, `fanout` subdirectories.
struct TreeShape {
    int fanout;
    int depth;
    int files;
};

constexpr TreeShape TREE_SHAPE = {6, 5, 25};
constexpr TreeShape LATENCY_SHAPE = {4, 4, 30};
constexpr int CHAIN_LEVELS = 2000;
constexpr int WIDE_LARGE = 100'000;
constexpr int WIDE_LIMIT = 50'000; // the sort buffer's capacity
constexpr int WIDE_SMALL = 1'000;
constexpr int WIDE_HUGE = 1'000'000;
constexpr std::uint64_t DEFAULT_SEED = 11;

constexpr std::int64_t KIB = 1024;
constexpr std::int64_t MIB = KIB * KIB;
constexpr std::int64_t GIB = KIB * MIB;
constexpr std::time_t TIME_FROM = 788'918'400;  // 1995-01-01 UTC
constexpr std::time_t TIME_SPAN = 978'307'200;  // about 31 years, to 2026
constexpr std::time_t BEFORE_DOS = 157'766'400; // 1975-01-01: shows at the DOS edge

// Name parts: long names, spaces, mixed case, dotted names, and extensions
// from none to longer than three characters. No name starts with a dot, so
// `ls` without -a lists the same entries as the others.
constexpr std::array<std::string_view, 12> FILE_STEMS = {
    "readme", "Report ", "main",      "IMG_", "a.b.c", "notes-", "Hidden_", "LongFileNameOver8_",
    "x",      "Setup",   "data_set_", "q"};
constexpr std::array<std::string_view, 14> EXTENSIONS = {
    ".txt",    ".c", ".h",    ".cpp",  ".md",  ".JPG",    ".png",
    ".tar.gz", "",   ".html", ".json", ".log", ".backup", ".o"};
constexpr std::array<std::string_view, 12> DIR_STEMS = {
    "src",         "Docs",      "lib",
    "My Pictures", "build.out", "cache",
    "tests",       "a",         "Very Long Directory Name",
    "x.y",         "bin",       "Old"};

// splitmix64: small, fast and the same on every compiler (std's
// distributions are not).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }

private:
    std::uint64_t state_;
};

[[noreturn]] void fail(const char* what, std::string_view name)
{
    std::fprintf(stderr, "gen_trees: %s %.*s: %s\n", what, static_cast<int>(name.size()),
                 name.data(), std::strerror(errno));
    std::exit(1);
}

// Mostly small files, some large, about one in 200 above 4 GiB (sparse).
std::int64_t pick_size(Random& random)
{
    const std::uint64_t roll = random.below(1000);
    if (roll < 300) {
        return static_cast<std::int64_t>(random.below(KIB));
    }
    if (roll < 700) {
        return static_cast<std::int64_t>(KIB + random.below(63 * KIB));
    }
    if (roll < 950) {
        return static_cast<std::int64_t>(64 * KIB + random.below(16 * MIB));
    }
    if (roll < 995) {
        return static_cast<std::int64_t>(16 * MIB + random.below(GIB));
    }
    return static_cast<std::int64_t>(4 * GIB + 1 + random.below(4 * GIB));
}

std::timespec pick_time(Random& random)
{
    const std::time_t seconds = random.below(500) == 0
                                    ? BEFORE_DOS + static_cast<std::time_t>(random.below(86'400))
                                    : TIME_FROM + static_cast<std::time_t>(random.below(TIME_SPAN));
    return {seconds, static_cast<long>(random.below(1'000'000'000))};
}

void set_times(int fd, Random& random, std::string_view name)
{
    const std::timespec modified = pick_time(random);
    const std::array<std::timespec, 2> times = {
        std::timespec{modified.tv_sec + static_cast<std::time_t>(random.below(86'400)), 0},
        modified};
    if (futimens(fd, times.data()) != 0) {
        fail("futimens", name);
    }
}

// One file: an eighth of them read-only, size and times from the stream.
void make_file(int parent, const std::string& name, Random& random)
{
    const mode_t mode = random.below(8) == 0 ? 0444 : 0644;
    const int fd = openat(parent, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        fail("create", name);
    }
    const std::int64_t size = pick_size(random);
    if (size > 0 && ftruncate(fd, size) != 0) {
        fail("ftruncate", name);
    }
    set_times(fd, random, name);
    close(fd);
}

std::string file_name(Random& random, int index)
{
    std::string name(FILE_STEMS[random.below(FILE_STEMS.size())]);
    name += std::to_string(index);
    name += EXTENSIONS[random.below(EXTENSIONS.size())];
    return name;
}

int open_dir(int parent, const std::string& name)
{
    const int fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        fail("open", name);
    }
    return fd;
}

int make_dir(int parent, const std::string& name)
{
    if (mkdirat(parent, name.c_str(), 0755) != 0) {
        fail("mkdir", name);
    }
    return open_dir(parent, name);
}

void fill_files(int dir, int count, Random& random)
{
    for (int index = 0; index < count; ++index) {
        make_file(dir, file_name(random, index), random);
    }
}

// Files first, then subdirectories, each walked before the next; the
// directory's own times are set last, once nothing more is made in it.
std::uint64_t fill_tree(int dir, int depth, const TreeShape& shape, Random& random)
{
    fill_files(dir, shape.files, random);
    std::uint64_t entries = static_cast<std::uint64_t>(shape.files);
    if (depth < shape.depth) {
        const std::uint64_t first = random.below(DIR_STEMS.size());
        for (int index = 0; index < shape.fanout; ++index) {
            const std::string name(DIR_STEMS[(first + index) % DIR_STEMS.size()]);
            const int child = make_dir(dir, name);
            entries += 1 + fill_tree(child, depth + 1, shape, random);
            close(child);
        }
    }
    set_times(dir, random, "(tree level)");
    return entries;
}

// Each level holds a file and the next level; one descriptor open at a time
// past the first two, so the depth is not bounded by the descriptor limit.
std::uint64_t fill_chain(int top, Random& random)
{
    int dir = open_dir(top, ".");
    for (int level = 0; level < CHAIN_LEVELS; ++level) {
        make_file(dir, "f.txt", random);
        const int child = level + 1 < CHAIN_LEVELS ? make_dir(dir, "d") : -1;
        set_times(dir, random, "(chain level)");
        close(dir);
        dir = child;
    }
    return 2ULL * CHAIN_LEVELS - 1;
}

std::uint64_t fill_wide(int dir, int count, Random& random)
{
    fill_files(dir, count, random);
    set_times(dir, random, "(wide)");
    return static_cast<std::uint64_t>(count);
}

enum class Set { tree, chain, wide };

// When a set is made without --only: always, with --huge, or never.
enum class Made { always, huge, only };

struct SetPlan {
    const char* name;
    Set kind;
    int count;       // files of a wide set
    TreeShape shape; // of a tree
    std::uint64_t seed_offset;
    Made made;
};

// In the order they are made. Each set has a stream of its own (the seed
// plus its offset), so adding a set changes no other.
constexpr std::array<SetPlan, 7> SET_PLANS = {{
    {"tree", Set::tree, 0, TREE_SHAPE, 0, Made::always},
    {"wide100k", Set::wide, WIDE_LARGE, {}, 1, Made::always},
    {"wide50k", Set::wide, WIDE_LIMIT, {}, 2, Made::always},
    {"wide1k", Set::wide, WIDE_SMALL, {}, 3, Made::always},
    {"chain", Set::chain, 0, {}, 4, Made::always},
    {"wide1m", Set::wide, WIDE_HUGE, {}, 5, Made::huge},
    {"latency", Set::tree, 0, LATENCY_SHAPE, 6, Made::only},
}};

void make_set(int root, const SetPlan& plan, std::uint64_t seed)
{
    Random random(seed + plan.seed_offset);
    const int dir = make_dir(root, plan.name);
    std::uint64_t entries = 0;
    switch (plan.kind) {
    case Set::tree: entries = fill_tree(dir, 0, plan.shape, random); break;
    case Set::chain: entries = fill_chain(dir, random); break;
    case Set::wide: entries = fill_wide(dir, plan.count, random); break;
    }
    close(dir);
    std::printf("%s %llu\n", plan.name, static_cast<unsigned long long>(entries + 1));
    std::fflush(stdout);
}

bool wanted(const SetPlan& plan, std::string_view only, bool huge)
{
    if (!only.empty()) {
        return only == plan.name;
    }
    return plan.made == Made::always || (plan.made == Made::huge && huge);
}

bool known_set(std::string_view name)
{
    for (const SetPlan& plan : SET_PLANS) {
        if (name == plan.name) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_trees ROOT [--seed N] [--huge] [--only NAME]\n");
        return 2;
    }
    std::uint64_t seed = DEFAULT_SEED;
    bool huge = false;
    std::string_view only;
    for (int index = 2; index < argc; ++index) {
        const std::string_view arg = argv[index];
        if (arg == "--seed" && index + 1 < argc) {
            seed = std::strtoull(argv[++index], nullptr, 10);
        } else if (arg == "--huge") {
            huge = true;
        } else if (arg == "--only" && index + 1 < argc && known_set(argv[index + 1])) {
            only = argv[++index];
        } else {
            std::fprintf(stderr, "gen_trees: unknown argument %s\n", argv[index]);
            return 2;
        }
    }
    umask(0);
    const int root = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        fail("open", argv[1]);
    }
    for (const SetPlan& plan : SET_PLANS) {
        if (wanted(plan, only, huge)) {
            make_set(root, plan, seed);
        }
    }
    close(root);
    return 0;
}
