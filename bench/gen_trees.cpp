// Makes the benchmark's trees under one directory, the same bytes of metadata
// on every run for a given seed: the tree (fanout 6, depth 5, 25 files in
// every directory: 242,606 entries), wide directories of 100,000, 50,000 and
// 1,000 files, and a chain 2,000 levels deep with one file per level. Files
// hold no data: sizes come from ftruncate (sparse, some above 4 GiB), times
// from futimens, so a full set takes seconds to make.
//
//   gen_trees ROOT [--seed N] [--huge]
//
// --huge adds a directory of 1,000,000 files (for the memory check of /u).
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

constexpr int TREE_FANOUT = 6;
constexpr int TREE_DEPTH = 5;
constexpr int FILES_PER_DIR = 25;
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
std::uint64_t fill_tree(int dir, int depth, Random& random)
{
    fill_files(dir, FILES_PER_DIR, random);
    std::uint64_t entries = FILES_PER_DIR;
    if (depth < TREE_DEPTH) {
        const std::uint64_t first = random.below(DIR_STEMS.size());
        for (int index = 0; index < TREE_FANOUT; ++index) {
            const std::string name(DIR_STEMS[(first + index) % DIR_STEMS.size()]);
            const int child = make_dir(dir, name);
            entries += 1 + fill_tree(child, depth + 1, random);
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

void make_set(int root, const char* name, Set kind, int count, std::uint64_t seed)
{
    Random random(seed);
    const int dir = make_dir(root, name);
    std::uint64_t entries = 0;
    switch (kind) {
    case Set::tree: entries = fill_tree(dir, 0, random); break;
    case Set::chain: entries = fill_chain(dir, random); break;
    case Set::wide: entries = fill_wide(dir, count, random); break;
    }
    close(dir);
    std::printf("%s %llu\n", name, static_cast<unsigned long long>(entries + 1));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_trees ROOT [--seed N] [--huge]\n");
        return 2;
    }
    std::uint64_t seed = DEFAULT_SEED;
    bool huge = false;
    for (int index = 2; index < argc; ++index) {
        const std::string_view arg = argv[index];
        if (arg == "--seed" && index + 1 < argc) {
            seed = std::strtoull(argv[++index], nullptr, 10);
        } else if (arg == "--huge") {
            huge = true;
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
    // Each set has a stream of its own, so adding a set changes no other.
    make_set(root, "tree", Set::tree, 0, seed);
    make_set(root, "wide100k", Set::wide, WIDE_LARGE, seed + 1);
    make_set(root, "wide50k", Set::wide, WIDE_LIMIT, seed + 2);
    make_set(root, "wide1k", Set::wide, WIDE_SMALL, seed + 3);
    make_set(root, "chain", Set::chain, 0, seed + 4);
    if (huge) {
        make_set(root, "wide1m", Set::wide, WIDE_HUGE, seed + 5);
    }
    close(root);
    return 0;
}
