// The tree most end-to-end rows list. Every row that prints it relies on the
// names, sizes, times and modes below; change them only with those rows.
#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "tests/e2e/harness.h"

namespace e2e {

namespace {

constexpr mode_t READ_ONLY = 0444;

void build(Fixture& tree)
{
    tree.file("a.txt", 100, {2021, 1, 2, 10, 0, 0});
    tree.file("Zeta.TXT", 1'234'567, {2019, 12, 31, 23, 59, 58});
    tree.file("readme", 42, {2000, 6, 15, 12, 5, 0});
    tree.file(".hidden", 7, {2020, 3, 4, 0, 30, 0});
    tree.file(".secret", 3, {2017, 4, 5, 16, 0, 0}, READ_ONLY);
    tree.file("locked.dat", 1000, {2018, 7, 8, 9, 15, 0}, READ_ONLY);
    tree.fifo("pipe", {2022, 2, 3, 13, 45, 0});
    tree.file("huge.bin", 5'000'000'000, {2023, 5, 6, 7, 8, 0});
    tree.file("odd.c", 1, {2024, 8, 9, 14, 30, 1});
    tree.file("early.log", 2048, {2001, 1, 1, 0, 0, 1}); // time word 0
    tree.file("verylongname.text", 12, {2015, 8, 17, 15, 4, 0});
    tree.file("archive.tar.gz", 10, {2016, 2, 29, 6, 7, 0});
    tree.file("old.bak", 64, {1975, 5, 5, 5, 5, 0});   // before the DOS range
    tree.file("future.tmp", 0, {2110, 1, 1, 0, 0, 0}); // after it
    tree.dir("sub", {2020, 1, 1, 8, 0, 0});
    tree.file("sub/x.c", 5, {2020, 2, 2, 2, 2, 0});
    tree.file("sub/y.txt", 6, {2020, 2, 2, 14, 2, 0});
    tree.dir("docs", {2021, 11, 12, 18, 20, 0});
    tree.dir(".cache", {2019, 1, 1, 6, 0, 0});
}

} // namespace

const Fixture& standard_tree()
{
    static const Fixture tree(build);
    return tree;
}

namespace {

// Under Wine, the names that are no 8.3 name in one case show the alias the
// host made for them (a hash of the name, the same on every run), and sort
// by it; the FIFO is a plain file there. These are the adorned columns that
// differ, and the entries in the order Wine sorts them by extension:
// constants, not objects made at start, since other files' constants are made
// of the texts they give.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> ADORNED_ON_WINE = {{
    {"*         cac", "*_cac~qwq    "},
    {"*         hid", "*_hid~45n    "},
    {"*         sec", "*_sec~p54    "},
    {" archive  tar", " arch~5fb gz "},
    {" verylong tex", " very~2ov tex"},
    {"0    s pipe", "0 a    pipe"},
}};
constexpr std::array<std::string_view, 17> WINE_ORDER = {
    ".cache",     "docs",           "sub",       ".hidden",           ".secret",
    "pipe",       "readme",         "old.bak",   "huge.bin",          "odd.c",
    "locked.dat", "archive.tar.gz", "early.log", "verylongname.text", "future.tmp",
    "a.txt",      "Zeta.TXT"};

// The place in WINE_ORDER of the entry a line shows: an adorned line ends
// in " name", a bare one is "name" or "[name]".
std::optional<std::size_t> wine_rank(const std::string& line)
{
    for (std::size_t rank = 0; rank < WINE_ORDER.size(); ++rank) {
        const std::string name(WINE_ORDER[rank]);
        if (line == name || line == "[" + name + "]" || line.ends_with(" " + name))
            return rank;
    }
    return std::nullopt;
}

// Wine's text of a listing of the standard tree in the default order: the
// adorned columns that differ replaced, the edits made, and the lines of the
// entries in Wine's order in the places those lines hold.
std::string wine_listing(std::string text, const WineEdits& edits, std::string& fault)
{
    for (const auto& [linux_text, wine_text] : ADORNED_ON_WINE)
        for (std::size_t at = text.find(linux_text); at != std::string::npos;
             at = text.find(linux_text, at + wine_text.size()))
            text.replace(at, linux_text.size(), wine_text);
    std::vector<std::string> lines;
    std::istringstream in(edited(std::move(text), edits, fault));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::vector<std::string> entries;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(entries),
                 [](const auto& line) { return wine_rank(line).has_value(); });
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return wine_rank(a) < wine_rank(b); });
    std::string out;
    auto next = entries.begin();
    for (const auto& line : lines)
        out += (wine_rank(line) ? *next++ : line) + "\n";
    return out;
}

// The standard tree's text as this run's host lists it.
std::string on_this_host(const std::string& text)
{
    std::string fault;
    return on_wine() ? wine_listing(text, {}, fault) : text;
}

} // namespace

Row standard_on_wine(Row row, const WineEdits& edits)
{
    std::string fault;
    std::string expected = wine_listing(row.expected, edits, fault);
    if (expected == row.expected)
        fault += "nothing of it differs under Wine; ";
    row.wine = {OnWine::DIFFERS, std::move(expected),
                std::string(WINE_ALIASES) + "; " + WINE_NO_FIFO, std::move(fault)};
    return row;
}

// The files of the standard tree under the default order (by extension).
const std::string& standard_file_lines()
{
    static const std::string lines =
        on_this_host(" pipe          2-03-22  1:45p           0    s pipe\n"
                     " readme        6-15-00 12:05p          42 a    readme\n"
                     " old      bak  1-01-80                 64 a    old.bak\n"
                     " huge     bin  5-06-23  7:08a 5,000,000.. a    huge.bin\n"
                     " odd      c    8-09-24  2:30p           1 a    odd.c\n"
                     "+locked   dat  7-08-18  9:15a       1,000 ar   locked.dat\n"
                     "*         hid  3-04-20  0:30a           7 a h  .hidden\n"
                     " early    log  1-01-01              2,048 a    early.log\n"
                     "*         sec  4-05-17  4:00p           3 arh  .secret\n"
                     " archive  tar  2-29-16  6:07a          10 a    archive.tar.gz\n"
                     " verylong tex  8-17-15  3:04p          12 a    verylongname.text\n"
                     " future   tmp 12-31-07 11:59p           0 a    future.tmp\n"
                     " a        txt  1-02-21 10:00a         100 a    a.txt\n"
                     " zeta     txt 12-31-19 11:59p   1,234,567 a    Zeta.TXT\n");
    return lines;
}

// Directories with their last-write times (/g).
const std::string& standard_dir_lines()
{
    static const std::string lines =
        on_this_host(" docs         11-12-21  6:20p (directory)      docs\n"
                     " sub           1-01-20  8:00a (directory)      sub\n"
                     "*         cac  1-01-19  6:00a (directory)   h  .cache\n");
    return lines;
}

const std::string& standard_bare_files()
{
    static const std::string names = on_this_host(
        "pipe\nreadme\nold.bak\nhuge.bin\nodd.c\nlocked.dat\n.hidden\nearly.log\n.secret\n"
        "archive.tar.gz\nverylongname.text\nfuture.tmp\na.txt\nZeta.TXT\n");
    return names;
}

const std::string& standard_bare_dirs()
{
    static const std::string names = on_this_host("[docs]\n[sub]\n[.cache]\n");
    return names;
}

TEST_P(StandardTreeTest, PrintsExpectedBytes)
{
    check_row(GetParam(), standard_tree());
}

} // namespace e2e
