// The recursive walk (//): a section per directory that lists something, in
// pre-order, with the rule between sections; hidden directories entered and
// links never; subdirectories that cannot be entered; sort orders inside a
// walk; and a chain far deeper than a path buffer under a small file limit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

const std::string RULE = std::string(56, '-') + "\n";

constexpr const char* CURRENT_DIR_LIMIT =
    "Windows keeps a current directory of 258 characters at most, its '\\' and NUL "
    "within MAX_PATH, for a program that is not long-path aware";

// One directory per level, so the sections come in a fixed order:
//   b.c c.log a.txt sub/
//   sub/         y.c w.h x.txt .deep/
//   sub/.deep/   notes.md loop -> .. (back to sub)
const Fixture& chain_tree()
{
    static const Fixture tree([](Fixture& tree) {
        tree.file("b.c", 300, {2019, 2, 3, 4, 5, 0});
        tree.file("c.log", 200, {2018, 11, 12, 13, 14, 0});
        tree.file("a.txt", 100, {2021, 1, 2, 10, 0, 0});
        tree.dir("sub", {2023, 1, 1, 8, 0, 0});
        tree.file("sub/y.c", 5, {2022, 5, 6, 7, 8, 0});
        tree.file("sub/w.h", 4, {2020, 9, 10, 11, 12, 0});
        tree.file("sub/x.txt", 6, {2016, 7, 8, 21, 9, 0});
        tree.dir("sub/.deep", {2024, 6, 7, 18, 30, 0});
        tree.file("sub/.deep/notes.md", 9, {2015, 3, 4, 15, 16, 0});
        // The link's own time, which it lists with, is that of its target.
        const std::time_t sub_time = to_time({2023, 1, 1, 8, 0, 0});
        const timespec times[2] = {{sub_time, 0}, {sub_time, 0}};
        if (symlink("..", tree.path("sub/.deep/loop").c_str()) != 0 ||
            utimensat(AT_FDCWD, tree.path("sub/.deep/loop").c_str(), times, AT_SYMLINK_NOFOLLOW) !=
                0)
            ADD_FAILURE() << "symlink";
    });
    return tree;
}

const std::string A_TXT = " a        txt  1-02-21 10:00a         100 a    a.txt\n";
const std::string X_TXT = " x        txt  7-08-16  9:09p           6 a    x.txt\n";
const std::string Y_C = " y        c    5-06-22  7:08a           5 a    y.c\n";
const std::string NOTES = " notes    md   3-04-15  3:16p           9 a    notes.md\n";
const std::string ROOT_SECTION = "{HDR}\n"
                                 " b        c    2-03-19  4:05a         300 a    b.c\n"
                                 " c        log 11-12-18  1:14p         200 a    c.log\n" +
                                 A_TXT + "3 files, 600 bytes\n";
const std::string SUB_SECTION = "{HDR}sub\\\n" + Y_C +
                                " w        h    9-10-20 11:12a           4 a    w.h\n" + X_TXT +
                                "3 files, 15 bytes\n";
const std::string DEEP_SECTION = "{HDR}sub\\.deep\\\n" + NOTES + "1 files, 9 bytes\n";
const std::string WHOLE_TREE =
    ROOT_SECTION + RULE + SUB_SECTION + RULE + DEEP_SECTION + "total byte count: 624\n";
const std::string FROM_SUB = SUB_SECTION + RULE + DEEP_SECTION + "total byte count: 24\n";

class WalkTest : public ::testing::TestWithParam<Row> {};

TEST_P(WalkTest, PrintsExpectedBytes)
{
    check_row(GetParam(), chain_tree());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, WalkTest,
    ::testing::Values(
        Row{"every_level", {"//", "/z-"}, WHOLE_TREE},
        Row{"mask_in_every_level",
            {"*.txt", "//", "/z-"},
            "{HDR}\n" + A_TXT + "1 files, 100 bytes\n" + RULE + "{HDR}sub\\\n" + X_TXT +
                "1 files, 6 bytes\ntotal byte count: 106\n"},
        Row{"only_deepest_matches_no_rule",
            {"*.md", "//", "/z-"},
            DEEP_SECTION + "total byte count: 9\n"},
        Row{"nothing_matches", {"*.zzz", "//", "/z-"}, "\ntotal byte count: 0\n"},
        Row{"nothing_matches_total", {"*.zzz", "//", "/total"}, "total byte count: 0\n"},
        Row{"pattern_in_subdirectory",
            {"sub\\*.c", "//", "/z-"},
            "{HDR}sub\\\n" + Y_C + "1 files, 5 bytes\ntotal byte count: 5\n"},
        Row{"directory_with_backslash", {"sub\\", "//", "/z-"}, FROM_SUB},
        Row{"directory_name", {"sub", "//", "/z-"}, FROM_SUB},
        Row{"absolute_directory", {"{DIR}sub\\*.*", "//", "/z-"}, FROM_SUB, 0, "sub/.deep"},
        Row{"parent_of_working_directory", {"..", "//", "/z-"}, WHOLE_TREE, 0, "sub"},
        Row{"missing_directory", {"missing\\*.c", "//"}, "chdir (missing) failed.\n", 38},
        Row{"total_only", {"/total", "//"}, "total byte count: 624\n"},
        Row{"total_of_mask", {"*.txt", "//", "/total"}, "total byte count: 106\n"},
        Row{"bare_no_headers_no_rules",
            {"//", "/b"},
            "b.c\nc.log\na.txt\n\ny.c\nw.h\nx.txt\n\nnotes.md\n\ntotal byte count: 624\n"},
        Row{"bare_with_summaries",
            {"//", "/b", "/y", "/z-"},
            "b.c\nc.log\na.txt\n3 files, 600 bytes\ny.c\nw.h\nx.txt\n3 files, 15 bytes\n"
            "notes.md\n1 files, 9 bytes\ntotal byte count: 624\n"},
        // The link back to sub is listed as a directory and never entered.
        wine_edits(Row{"directories_shown_link_not_entered",
                       {"//", "/a", "/g", "/z-"},
                       "{HDR}\n"
                       " sub           1-01-23  8:00a (directory)      sub\n"
                       " b        c    2-03-19  4:05a         300 a    b.c\n"
                       " c        log 11-12-18  1:14p         200 a    c.log\n" +
                           A_TXT + "3 files, 1 directories, 600 bytes\n" + RULE + "{HDR}sub\\\n" +
                           "*         dee  6-07-24  6:30p (directory)   h  .deep\n" + Y_C +
                           " w        h    9-10-20 11:12a           4 a    w.h\n" + X_TXT +
                           "3 files, 1 directories, 15 bytes\n" + RULE + "{HDR}sub\\.deep\\\n" +
                           " loop          1-01-23  8:00a (directory)      loop\n" + NOTES +
                           "1 files, 1 directories, 9 bytes\ntotal byte count: 624\n"},
                   {{"*         dee", "*_dee~2ri    "}}, WINE_ALIASES)),
    RowName{});

// Names outside ASCII, on every host as the file system holds them:
//   café.md 日本語.txt 😀.png abc.md Привет мир.doc Привет/ outside/ look/
//   Привет/  inner.txt
//   outside/ secret.dat
//   look/in/ ..＼..＼outside/ ..／..／outside/ ..¥..¥outside/ café/ cafe/ Ādir/ Adir/
// The names under look/in/ have look-alikes in a narrow code page ('\', '/',
// 'e', 'A'): taken for them, "..\..\outside" would lead to outside/, and
// cafe/ and Adir/ would be listed twice. Each holds a .dat file of its own
// size, a power of ten, so a total tells which were listed.
const Fixture& names_tree()
{
    static const Fixture tree([](Fixture& tree) {
        const Stamp when{2021, 3, 4, 5, 6, 0};
        tree.file("café.md", 5, when);
        tree.file("日本語.txt", 7, when);
        tree.file("😀.png", 2, when);
        tree.file("abc.md", 1, when);
        tree.file("Привет мир.doc", 4, when);
        tree.dir("Привет", when);
        tree.file("Привет/inner.txt", 3, when);
        tree.dir("outside", when);
        tree.file("outside/secret.dat", 10'000'000, when);
        tree.dir("look", when);
        tree.dir("look/in", when);
        std::uint64_t size = 1;
        for (const char* name : {"..＼..＼outside", "..／..／outside", "..¥..¥outside", "café",
                                 "cafe", "Ādir", "Adir"}) {
            tree.dir(std::string("look/in/") + name, when);
            tree.file(std::string("look/in/") + name + "/f.dat", size, when);
            size *= 10;
        }
    });
    return tree;
}

class NamesTest : public ::testing::TestWithParam<Row> {};

TEST_P(NamesTest, PrintsExpectedBytes)
{
    check_row(GetParam(), names_tree());
}

constexpr const char* WINE_ANSI_CODE_PAGE =
    "wendex.exe built without its manifest runs in code page 1252, which holds no Cyrillic, "
    "CJK or emoji: such a character is '?', a mask holding one is refused, and a directory "
    "holding one is entered by its alias";
constexpr const char* WINE_HOST_CASE =
    "the host matches names case-blind by its own rules, É with é, in a walk as in a listing";

// The row as wendex.exe gives it in code page 1252 (built without its
// manifest); with the UTF-8 code page it gives the row's own text.
Row in_ansi_code_page(Row row, std::string expected)
{
    return on_wine() && !wine_speaks_utf8()
               ? wine_gives(std::move(row), std::move(expected), WINE_ANSI_CODE_PAGE)
               : row;
}

// The row run in code page 932 where Wine gives one (a program without the
// manifest, under a Japanese locale): '¥' and 'é' have look-alikes there.
Row in_code_page_932(Row row)
{
    row.name += "_932";
    return in_locale("ja_JP.UTF-8", std::move(row));
}

std::string one_bare(const std::string& name, int bytes)
{
    return name + "\n\ntotal byte count: " + std::to_string(bytes) + "\n";
}

const std::string INNER = " inner    txt  3-04-21  5:06a           3 a    inner.txt\n";
const std::string AT_100000 = " f        dat  3-04-21  5:06a     100,000 a    f.dat\n"
                              "1 files, 0 directories, 100,000 bytes\n";

INSTANTIATE_TEST_SUITE_P(
    OutsideAscii, NamesTest,
    ::testing::Values(
        in_ansi_code_page(Row{"latin_name", {"café.md", "/b"}, one_bare("café.md", 5)},
                          one_bare("caf\xe9.md", 5)),
        in_ansi_code_page(Row{"cjk_name", {"*.txt", "/b"}, one_bare("日本語.txt", 7)},
                          one_bare("???.txt", 7)),
        in_ansi_code_page(Row{"emoji_name", {"*.png", "/b"}, one_bare("😀.png", 2)},
                          one_bare("??.png", 2)),
        in_ansi_code_page(
            Row{"cyrillic_mask_with_blank", {"Привет мир.doc", "/b"}, one_bare("Привет мир.doc", 4)},
            std::string(USAGE)),
        in_ansi_code_page(
            Row{"mask_in_cyrillic_directory", {"Привет\\*", "/b"}, one_bare("inner.txt", 3)},
            std::string(USAGE)),
        in_ansi_code_page(Row{"walk_from_cyrillic_directory",
                              {"Привет\\*", "//", "/z-"},
                              "{HDR}Привет\\\n" + INNER + "1 files, 3 bytes\ntotal byte count: 3\n"},
                          std::string(USAGE)),
        in_ansi_code_page(Row{"walk_enters_cyrillic_directory",
                              {"*.txt", "//", "/b"},
                              "日本語.txt\n\n" + one_bare("inner.txt", 10)},
                          "???.txt\n\n" + one_bare("inner.txt", 10)),
        // Named by its alias where code page 1252 cannot hold its name.
        in_ansi_code_page(Row{"true_names_in_cyrillic_directory",
                              {"/B"},
                              one_bare("{TRUE}Привет\\inner.txt", 3),
                              0,
                              "Привет"},
                          one_bare("{TRUE}____~fvv\\inner.txt", 3)),
        // Look-alikes are never taken for a name: the walk stays in its tree,
        // lists every directory once and names each by what reaches it.
        Row{"lookalike_names_stay_in_the_tree", {"*.dat", "//", "/total"},
            "total byte count: 1,111,111\n", 0, "look/in"},
        in_code_page_932(Row{"lookalike_names_stay_in_the_tree", {"*.dat", "//", "/total"},
                             "total byte count: 1,111,111\n", 0, "look/in"}),
        in_ansi_code_page(Row{"lookalike_start_directory",
                              {"*.dat", "/z-"},
                              "{HDR}look\\in\\Ādir\\\n" + AT_100000 + "total byte count: 100,000\n",
                              0,
                              "look/in/Ādir"},
                          "{HDR}look\\in\\_DIR~SU5\\\n" + AT_100000 + "total byte count: 100,000\n"),
        in_ansi_code_page(wine_gives(Row{"listing_case_by_host", {"CAFÉ.MD", "/b"}, "\ntotal byte count: 0\n"},
                                     one_bare("café.md", 5), WINE_HOST_CASE),
                          one_bare("caf\xe9.md", 5)),
        in_ansi_code_page(wine_gives(Row{"walk_case_by_host",
                                         {"CAFÉ.MD", "//", "/b"},
                                         "\ntotal byte count: 0\n"},
                                     one_bare("café.md", 5), WINE_HOST_CASE),
                          one_bare("caf\xe9.md", 5))),
    RowName{});

std::string bare_walk(const std::string& root, const std::string& sub, const std::string& deep)
{
    return root + "\n\n" + sub + "\n\n" + deep + "\n\ntotal byte count: 624\n";
}

INSTANTIATE_TEST_SUITE_P(
    SortOrders, WalkTest,
    ::testing::Values(
        Row{"by_name",
            {"//", "/n", "/b", "/a"},
            bare_walk("[sub]\na.txt\nb.c\nc.log", "[.deep]\nw.h\nx.txt\ny.c", "[loop]\nnotes.md")},
        Row{"by_extension_default",
            {"//", "/b", "/a"},
            bare_walk("[sub]\nb.c\nc.log\na.txt", "[.deep]\ny.c\nw.h\nx.txt", "[loop]\nnotes.md")},
        Row{"by_extension_switch",
            {"//", "/n", "/e", "/b", "/a"},
            bare_walk("[sub]\nb.c\nc.log\na.txt", "[.deep]\ny.c\nw.h\nx.txt", "[loop]\nnotes.md")},
        Row{"by_size",
            {"//", "/s", "/b", "/a"},
            bare_walk("[sub]\na.txt\nc.log\nb.c", "[.deep]\nw.h\ny.c\nx.txt", "[loop]\nnotes.md")},
        Row{"by_date",
            {"//", "/d", "/b", "/a"},
            bare_walk("[sub]\nc.log\nb.c\na.txt", "[.deep]\nx.txt\nw.h\ny.c", "[loop]\nnotes.md")}),
    RowName{});

TEST(Walk, UnsortedKeepsSearchOrderInEveryDirectory)
{
    const Fixture& tree = chain_tree();
    std::string expected;
    for (const char* rel : {"", "sub", "sub/.deep"}) {
        for (const auto& name : entries_in_search_order(tree.path(rel)))
            expected += name + "\n";
        expected += "\n";
    }
    check_row(Row{"unsorted", {"//", "/u", "/b", "/a"}, expected + "total byte count: 624\n"},
              tree);
}

// Every file below is f.txt of a one-digit size with the same time.
const Stamp WHEN = {2021, 3, 4, 5, 6, 0};

std::string section(const std::string& rel, int size, bool rule = true)
{
    const std::string n = std::to_string(size);
    return (rule ? RULE : "") + "{HDR}" + rel + "\n f        txt  3-04-21  5:06a           " + n +
           " a    f.txt\n1 files, " + n + " bytes\n";
}

// Siblings at two levels: the subtrees follow the root's section in the
// order readdir gives the root's subdirectories. A directory that lists
// nothing (empty) is walked all the same; a link to alpha is not.
TEST(Walk, SubtreesFollowInSearchOrder)
{
    Fixture tree;
    for (const char* rel : {"alpha", "alpha/deep", "beta", ".hid", "empty", "empty/inner"})
        tree.dir(rel, WHEN);
    int size = 0;
    for (const char* rel : {"", "alpha/", "alpha/deep/", "beta/", ".hid/", "empty/inner/"})
        tree.file(std::string(rel) + "f.txt", ++size, WHEN);
    ASSERT_EQ(symlink("alpha", tree.path("alias").c_str()), 0);
    tree.seal();
    const std::map<std::string, std::string> subtree{
        {"alpha", section("alpha\\", 2) + section("alpha\\deep\\", 3)},
        {"beta", section("beta\\", 4)},
        {".hid", section(".hid\\", 5)},
        {"empty", section("empty\\inner\\", 6)}};
    std::string expected = section("", 1, false);
    for (const auto& name : subdirs_in_search_order(tree.root()))
        expected += subtree.at(name);
    check_row(Row{"siblings", {"//", "/z-"}, expected + "total byte count: 21\n"}, tree);
}

// A subdirectory that cannot be entered: its message continues the open
// summary before it, the next section still ends that line, and nothing in
// or below it counts. Directories without search permission can be entered
// by root, so those runs drop to an unprivileged user.
struct Unenterable {
    std::string label;
    std::string name;
    mode_t mode;
};

void PrintTo(const Unenterable& row, std::ostream* os)
{
    *os << row.label;
}

class UnenterableTest : public ::testing::TestWithParam<Unenterable> {};

TEST_P(UnenterableTest, ReportedAndSiblingsStillWalked)
{
    if (on_wine()) {
        GTEST_SKIP() << WINE_AS_ROOT;
    }
    const auto& [label, bad, mode] = GetParam();
    Fixture tree;
    ASSERT_EQ(chmod(tree.root().c_str(), 0755), 0);
    tree.file("f.txt", 1, WHEN);
    tree.dir(bad, WHEN);
    tree.file(bad + "/f.txt", 9, WHEN);
    tree.dir(bad + "/below", WHEN);
    tree.file(bad + "/below/f.txt", 9, WHEN);
    // Siblings are added until at least one comes after the bad one.
    const std::string letters = "kmnpqrst";
    std::size_t siblings = 0;
    for (; siblings < 2 || subdirs_in_search_order(tree.root()).back() == bad; ++siblings) {
        ASSERT_LT(siblings, letters.size()) << bad << " stays last in readdir order";
        tree.dir(letters.substr(siblings, 1), WHEN);
        tree.file(letters.substr(siblings, 1) + "/f.txt", 2, WHEN);
    }
    tree.seal();
    ASSERT_EQ(chmod(tree.path(bad).c_str(), mode), 0);

    // Each summary line is left open and ended by whatever comes next.
    const auto open = [](std::string text) { return text.erase(text.size() - 1); };
    const std::string message = "chdir failed. " + bad + " defective?\n";
    std::string expected = open(section("", 1, false));
    // Appended piece by piece: g++ 12 at -O3 reports a false -Wrestrict
    // overlap for a literal put before a temporary string.
    for (const auto& name : subdirs_in_search_order(tree.root())) {
        if (name == bad) {
            expected += message;
        } else {
            expected += '\n';
            expected += open(section(name + "\\", 2));
        }
    }
    const std::string total = "total byte count: " + std::to_string(1 + 2 * siblings) + "\n";
    const RunOptions nobody{.as_nobody = true};
    check_row(Row{"walk", {"//", "/z-"}, expected + "\n" + total}, tree, nobody);
    check_row(Row{"total", {"//", "/total"}, message + total}, tree, nobody);
}

INSTANTIATE_TEST_SUITE_P(Names, UnenterableTest,
                         ::testing::Values(Unenterable{"no_search_permission", "locked", 0600},
                                           Unenterable{"no_permission_at_all", "closed", 0000}),
                         [](const auto& info) { return info.param.label; });

// A mount point inside the tree is never entered, whatever its device: a
// bind mount of a directory outside the tree, on the same volume, and a
// tmpfs are both reported as subdirectories that cannot be entered. With the
// POSIX calls alone the device is all there is to tell: the bind mount is
// walked as a directory.
TEST(Walk, MountPointsAreNotEntered)
{
    Fixture tree;
    tree.dir("outside", WHEN);
    tree.file("outside/secret.txt", 7, WHEN);
    tree.dir("tree", WHEN);
    tree.file("tree/f.txt", 1, WHEN);
    for (const char* name : {"bind", "tmp", "plain"})
        tree.dir(std::string("tree/") + name, WHEN);
    tree.file("tree/plain/f.txt", 2, WHEN);
    tree.seal();
    const auto result = run_wendex_with_mounts(
        "mount --bind ../outside bind && mount -t tmpfs none tmp && echo 12345678 > tmp/f.txt",
        {"//", "/z-"}, tree.path("tree"));
    if (!result)
        GTEST_SKIP() << "no mount namespace here (needs root and unshare)";
    std::string expected = section("tree\\", 1, false);
    expected.pop_back(); // the summary stays open for what follows
    for (const auto& name : subdirs_in_search_order(tree.path("tree"))) {
        if (name == "plain") {
            expected += "\n" + section("tree\\plain\\", 2);
            expected.pop_back();
        } else if (name == "bind" && POSIX_CALLS_ALONE) {
            expected += "\n" + RULE + "{HDR}tree\\bind\\\n secret   txt  3-04-21  5:06a" +
                        "           7 a    secret.txt\n1 files, 7 bytes";
        } else {
            expected += "chdir failed. " + name + " defective?\n";
        }
    }
    const std::string total = POSIX_CALLS_ALONE ? "10" : "3";
    EXPECT_EQ(result->out,
              crlf(expand(expected + "\ntotal byte count: " + total + "\n", tree, false)));
    EXPECT_EQ(result->exit_code, 0);
}

// A chain of directories named d with bottom.txt at the bottom, made and
// removed one level at a time through descriptors: its full paths are longer
// than any path call takes.
class DeepChain {
public:
    DeepChain(const std::string& base, int depth, Stamp when) : base_(base)
    {
        int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < depth && fd >= 0; ++i) {
            const int next =
                mkdirat(fd, "d", 0755) == 0 ? openat(fd, "d", O_RDONLY | O_DIRECTORY) : -1;
            close(fd);
            fd = next;
        }
        const int file = fd < 0 ? -1 : openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644);
        const std::timespec times[2] = {{to_time(when), 0}, {to_time(when), 0}};
        built_ = file >= 0 && ftruncate(file, 5) == 0 && futimens(file, times) == 0;
        close(file);
        close(fd);
    }
    ~DeepChain()
    {
        int fd = open(base_.c_str(), O_RDONLY | O_DIRECTORY);
        int depth = 0;
        for (int next; fd >= 0 && (next = openat(fd, "d", O_RDONLY | O_DIRECTORY)) >= 0; ++depth) {
            close(fd);
            fd = next;
        }
        unlinkat(fd, "bottom.txt", 0);
        for (; depth > 0 && fd >= 0; --depth) {
            const int parent = openat(fd, "..", O_RDONLY | O_DIRECTORY);
            close(fd);
            unlinkat(parent, "d", AT_REMOVEDIR);
            fd = parent;
        }
        close(fd);
    }
    DeepChain(const DeepChain&) = delete;
    DeepChain& operator=(const DeepChain&) = delete;

    bool built() const { return built_; }

private:
    std::string base_;
    bool built_ = false;
};

// No level keeps a descriptor open while the levels below it run, and a
// header past the path room still names its directory in full. The run takes
// seconds in a sanitized build on a loaded machine, so it gets more time.
// Windows keeps a current directory of 258 characters at most: there the
// first level past that is reported and the run ends normally (Wine itself
// needs more than 64 descriptors).
TEST(Walk, ChainDeeperThanPathsUnderSmallFileLimit)
{
    constexpr int DEPTH = 3000;
    Fixture tree;
    const DeepChain chain(tree.root(), DEPTH, {2020, 2, 2, 2, 2, 0});
    ASSERT_TRUE(chain.built());
    std::string dirs;
    for (int i = 0; i < DEPTH; ++i)
        dirs += "d\\";
    check_row(wine_gives(Row{"deep",
                             {"//", "/z-"},
                             "{HDR}" + dirs +
                                 "\n bottom   txt  2-02-20  2:02a           5 a    bottom.txt\n"
                                 "1 files, 5 bytes\ntotal byte count: 5\n"},
                         "chdir failed. d defective?\n\ntotal byte count: 0\n", CURRENT_DIR_LIMIT),
              tree, {.open_files = on_wine() ? 0U : 64U, .seconds = 180});
}

// Empties the page cache where the kernel lets this process (root, and /proc).
bool empty_page_cache()
{
    sync(); // written back first: only clean pages are dropped
    std::ofstream drop("/proc/sys/vm/drop_caches");
    return static_cast<bool>(drop << "3\n" << std::flush);
}

// Where a row of the read-ahead's table runs.
enum class Where { LOCAL, COLD, SHARE_NOCACHE, SHARE_CACHE };

// A walk lists the same bytes whether the host reads ahead of it or not:
// with 20 descriptors no read-ahead starts, and each row runs once so and
// once with it. The tree has what the read-ahead treats apart: a directory
// larger than one read, directories with and without subdirectories, a link
// to a directory, a directory a user who is not its owner cannot enter, and
// a chain deeper than the read-ahead holds descriptors. On a warm cache the
// read-ahead stops within a few directories; a cache emptied first (root
// only) and a slow network share (a FUSE file system that delays every
// request, where one can be mounted) have it read ahead of the whole walk.
TEST(Walk, SameBytesWithOrWithoutReadingAhead)
{
    if (on_wine()) {
        GTEST_SKIP() << "the Win32 host reads no further than the walk";
    }
    Fixture tree;
    const Stamp when{2021, 3, 4, 5, 6, 0};
    tree.dir("big", when);
    for (int i = 0; i < 1500; ++i)
        tree.file("big/f" + std::to_string(i) + ".txt", i, when);
    for (const char* dir : {"big/leaf", "locked", "nest", "nest/a", "nest/a/b", "zz"})
        tree.dir(dir, when);
    tree.file("locked/hidden.txt", 3, when);
    tree.file("nest/a/b/deep.c", 7, when);
    tree.file("zz/last.h", 8, when);
    std::string chain = "nest/c";
    for (int level = 0; level < 300; ++level, chain += "/l")
        tree.dir(chain, when);
    tree.file(chain + ".txt", 9, when);
    if (symlink("../nest", tree.path("zz/up").c_str()) != 0)
        ADD_FAILURE() << "symlink";
    tree.seal();
    ASSERT_EQ(chmod(tree.root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(tree.path("locked").c_str(), 0700), 0);
    constexpr unsigned ALONE = 20;
    const struct {
        std::string name;
        RunOptions alone, reading_ahead;
        Where where = Where::LOCAL;
    } rows[] = {
        {"the file limit it is run with", {.open_files = ALONE}, {}},
        {"250 descriptors inherited under a limit of 256", {.open_files = ALONE},
         {.open_files = 256, .inherited_files = 250}},
        {"a user the locked directory shuts out", {.open_files = ALONE, .as_nobody = true},
         {.as_nobody = true}},
        {"a cache emptied first", {.open_files = ALONE}, {}, Where::COLD},
        {"a share that caches nothing", {.open_files = ALONE}, {}, Where::SHARE_NOCACHE},
        {"a share that caches what it reads", {.open_files = ALONE}, {}, Where::SHARE_CACHE},
        {"a share, standard output closed", {.open_files = ALONE, .stdout_to = Stdout::CLOSED},
         {.stdout_to = Stdout::CLOSED}, Where::SHARE_NOCACHE},
    };
    std::map<Where, std::unique_ptr<DelayMount>> shares;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string cwd = tree.root();
        if (row.where == Where::SHARE_NOCACHE || row.where == Where::SHARE_CACHE) {
            auto& share = shares[row.where];
            if (share == nullptr)
                share = DelayMount::mount(
                    tree.root(), 200, row.where == Where::SHARE_CACHE ? "cache" : "nocache");
            if (share == nullptr) {
                std::cerr << "note: no FUSE share can be mounted here; row skipped\n";
                continue;
            }
            cwd = share->path();
        }
        const RunResult alone = run_wendex({"//", "/z-"}, cwd, row.alone);
        if (row.where == Where::COLD && !empty_page_cache()) {
            std::cerr << "note: the page cache could not be emptied; row skipped\n";
            continue;
        }
        const RunResult read_ahead = run_wendex({"//", "/z-"}, cwd, row.reading_ahead);
        if (row.alone.stdout_to == Stdout::PIPE) {
            ASSERT_NE(alone.out.find("l.txt"), std::string::npos);
        }
        EXPECT_EQ(read_ahead.exit_code, alone.exit_code);
        EXPECT_EQ(read_ahead.err, alone.err);
        EXPECT_EQ(read_ahead.out, alone.out);
    }
}

// Either side of the Win32 limit on a current directory: 258 characters are
// entered, 259 reported. A section whose pattern has no full form in a path
// buffer still shows the free bytes of its volume.
TEST(Walk, CurrentDirectoryAtTheHostLimit)
{
    Fixture tree;
    const std::size_t root_length = dos_dir(tree.root()).size(); // its '\' included
    const std::string longest(258 - root_length, 'a');
    const std::string too_long(259 - root_length, 'b');
    tree.dir(longest, WHEN);
    tree.file(longest + "/f.txt", 1, WHEN);
    tree.dir(too_long, WHEN);
    tree.file(too_long + "/f.txt", 2, WHEN);
    tree.seal();
    check_row(wine_gives(Row{"limit", {"/total", "//"}, "total byte count: 3\n"},
                         "chdir failed. " + too_long + " defective?\ntotal byte count: 1\n",
                         CURRENT_DIR_LIMIT),
              tree);
    check_row(Row{"free_bytes",
                  {longest + "\\", "//"},
                  "{HDR}" + longest + "\\\n f        txt  3-04-21  5:06a           1 a    f.txt\n"
                  "1 files, 1 bytes, {FREE} bytes free  \ntotal byte count: 1\n"},
              tree);
}

// Started deeper than the host can name (past 4,096 characters): headers
// and true names still name their directories in full. The shell gets there
// in two steps, each path short enough to be looked up.
TEST(Walk, StartedDeeperThanTheHostCanName)
{
    if (on_wine()) {
        GTEST_SKIP() << "under Wine: Windows keeps a current directory of 259 characters at most";
    }
    constexpr int DEPTH = 2200;
    constexpr int HALF = 1100;
    Fixture tree;
    const DeepChain chain(tree.root(), DEPTH, {2020, 2, 2, 2, 2, 0});
    ASSERT_TRUE(chain.built());
    std::string half;
    std::string dirs;
    for (int i = 0; i < HALF; ++i)
        half += "d/";
    for (int i = 0; i < DEPTH; ++i)
        dirs += "d\\";
    const std::string go_down = "cd -P " + half + " && cd -P " + half + " && exec \"$0\" \"$@\"";
    const std::string line = " bottom   txt  2-02-20  2:02a           5 a    bottom.txt\n";
    for (const auto& [args, expected] :
         {std::pair{std::vector<std::string>{"//", "/z-"},
                    "{HDR}" + dirs + "\n" + line + "1 files, 5 bytes\ntotal byte count: 5\n"},
          {{"/B"}, "{TRUE}" + dirs + "bottom.txt\n\ntotal byte count: 5\n"}}) {
        std::vector<std::string> argv = {"/bin/sh", "-c", go_down, WENDEX_BINARY};
        argv.insert(argv.end(), args.begin(), args.end());
        const RunResult result = run_program(argv, tree.root(), {.seconds = 60});
        EXPECT_EQ(result.out, crlf(expand(expected, tree, false))) << args[0];
        EXPECT_EQ(result.exit_code, 0);
    }
}

// Where the host will not say which directory is current, from the start,
// every directory is named from there: ".\" and ".\sub\", in headers and
// in true names alike, and a failed read names its directory too.
TEST(Walk, NamedFromItsStartWhereTheHostCannotSay)
{
    if (on_wine()) {
        GTEST_SKIP() << "the host's refusal is made with a filter of Linux system calls";
    }
    const Fixture& tree = chain_tree();
    const auto from_start = [&tree](std::string text) {
        for (const std::string& root : {expand("{DIR}", tree, false), expand("{TRUE}", tree, false)})
            replace_all(text, root, ".\\");
        return text;
    };
    RunOptions refused;
    refused.no_current_dir = true;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"//", "/z-"}, {"//", "/B"}}) {
        const RunResult result = run_wendex(args, tree.root(), refused);
        EXPECT_EQ(result.out, from_start(run_wendex(args, tree.root()).out)) << args[1];
        EXPECT_EQ(result.exit_code, 0);
    }
}

// A tree deeper than the stack can follow: the first directory out of reach
// is reported like one that cannot be entered, and the run ends normally.
TEST(Walk, ChainDeeperThanTheStackIsReportedNotFollowed)
{
    constexpr int DEPTH = 3000;
    constexpr std::uint64_t SMALL_STACK = 512ULL << 10;
    if (on_wine()) {
        GTEST_SKIP() << "under Wine: wendex.exe's stack is the 8 MiB its image reserves; a "
                        "process limit does not shrink it";
    }
    Fixture tree;
    const DeepChain chain(tree.root(), DEPTH, {2020, 2, 2, 2, 2, 0});
    ASSERT_TRUE(chain.built());
    check_row(
        Row{"too_deep", {"*.txt", "//"}, "chdir failed. d defective?\n\ntotal byte count: 0\n"},
        tree, {.stack_bytes = SMALL_STACK, .seconds = 180});
}

// The stack guard keeps only what a level and a pass need: a small stack
// still walks a shallow tree whole.
TEST(Walk, ASmallStackStillWalksAShallowTree)
{
    check_row(Row{"small_stack", {"//", "/z-"}, WHOLE_TREE}, chain_tree(),
              {.stack_bytes = 256 * 1024});
}

// An ancestor of the start directory that cannot be searched does not stop
// the walk: each level comes back through "..", never by its full path.
TEST(Walk, AnUnsearchableAncestorDoesNotStopTheWalk)
{
    if (on_wine()) {
        GTEST_SKIP() << WINE_AS_ROOT;
    }
    Fixture tree;
    ASSERT_EQ(chmod(tree.root().c_str(), 0755), 0);
    tree.dir("top", WHEN);
    tree.dir("top/start", WHEN);
    tree.file("top/start/f.txt", 1, WHEN);
    for (const char* name : {"a", "b", "c"}) {
        tree.dir(std::string("top/start/") + name, WHEN);
        tree.file(std::string("top/start/") + name + "/f.txt", 2, WHEN);
    }
    tree.seal();
    ASSERT_EQ(chmod(tree.path("top").c_str(), 0), 0);
    std::string expected = section("top\\start\\", 1, false);
    for (const auto& name : subdirs_in_search_order(tree.path("top/start")))
        expected += section("top\\start\\" + name + "\\", 2);
    check_row(Row{"ancestor", {"//", "/z-"}, expected + "total byte count: 7\n", 0, "top/start"},
              tree, {.as_nobody = true});
}

} // namespace
} // namespace e2e
