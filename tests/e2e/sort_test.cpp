// Sort orders: by name, extension (the default), size and date, and search
// order with /u; directories first under every sorted order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// Short names chosen to meet the byte order: digits before letters, '_'
// before lower case, a prefix before the longer name; sizes either side of
// 4 GiB; two files in one two-second step; directories whose times run
// against their names. In mmm, names that tie on their 8.3 fields (and on
// size and time), made against the order their long names give.
const Fixture& sort_tree()
{
    static const Fixture tree([](Fixture& tree) {
        tree.dir("zzz", {2000, 1, 1, 1, 0, 0});
        tree.dir("mmm", {2010, 1, 1, 1, 0, 0});
        for (const char* name : {"report-2024-03.txt", "report-2022-07.txt", "report-2024-01.txt"})
            tree.file(std::string("mmm/") + name, 100, {2024, 3, 1, 12, 0, 0});
        for (const char* name : {"notes.md", "Notes.md"})
            tree.file(std::string("mmm/") + name, 200, {2024, 4, 1, 12, 0, 0});
        tree.file("aaa.txt", 10, {2020, 1, 1, 10, 0, 0});
        tree.file("ABC.Txt", 20, {2018, 3, 3, 3, 3, 0});
        tree.file("abcd.txt", 30, {2018, 3, 3, 3, 4, 0});
        tree.file("ab_c.x", 40, {2017, 2, 2, 2, 2, 0});
        tree.file("abac.x", 50, {2017, 2, 2, 2, 3, 0});
        tree.file("big.dat", 4'294'967'296, {2019, 5, 5, 5, 5, 0});
        tree.file("huge.dat", 4'294'967'295, {2019, 4, 4, 4, 4, 0});
        tree.file("zero.bin", 0, {2022, 12, 12, 12, 12, 0});
        tree.file("a500.h", 500, {2023, 1, 1, 9, 0, 0});
        tree.file("b500.c", 500, {2015, 7, 7, 7, 7, 0});
        tree.file("noext", 60, {2021, 1, 1, 0, 0, 0});
        tree.file("late.log", 70, {2021, 6, 1, 14, 30, 0});
        tree.file("early.log", 80, {2021, 6, 1, 14, 30, 1});
    });
    return tree;
}

const std::string TOTAL = "total byte count: 8,589,935,951\n";

std::string bare(const std::vector<std::string>& names, const std::string& total = TOTAL)
{
    std::string out;
    for (const auto& name : names)
        out += name + "\n";
    return out + "\n" + total;
}

// mmm's ties: the notes pair first by name and extension, last by size and date.
const std::string TIES_TOTAL = "total byte count: 700\n";
const std::vector<std::string> NOTES_TIE = {"Notes.md", "notes.md"};
const std::vector<std::string> REPORTS_TIE = {"report-2022-07.txt", "report-2024-01.txt",
                                              "report-2024-03.txt"};

// Under Wine the reports have aliases of their own and sort by them; the notes
// pair, both 8.3 names, ties there too.
const std::vector<std::string> REPORTS_BY_WINE_ALIAS = {"report-2024-01.txt", "report-2024-03.txt",
                                                        "report-2022-07.txt"};

std::vector<std::string> joined(std::vector<std::string> first,
                                const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class SortTest : public ::testing::TestWithParam<Row> {};

TEST_P(SortTest, PrintsExpectedBytes)
{
    check_row(GetParam(), sort_tree());
}

INSTANTIATE_TEST_SUITE_P(
    Orders, SortTest,
    ::testing::Values(
        wine_gives(Row{"ties_by_long_name_by_name",
                       {"mmm", "/n", "/b"},
                       bare(joined(NOTES_TIE, REPORTS_TIE), TIES_TOTAL)},
                   bare(joined(NOTES_TIE, REPORTS_BY_WINE_ALIAS), TIES_TOTAL), WINE_ALIASES),
        wine_gives(Row{"ties_by_long_name_by_extension",
                       {"mmm", "/e", "/b"},
                       bare(joined(NOTES_TIE, REPORTS_TIE), TIES_TOTAL)},
                   bare(joined(NOTES_TIE, REPORTS_BY_WINE_ALIAS), TIES_TOTAL), WINE_ALIASES),
        wine_gives(Row{"ties_by_long_name_by_size",
                       {"mmm", "/s", "/b"},
                       bare(joined(REPORTS_TIE, NOTES_TIE), TIES_TOTAL)},
                   bare(joined(REPORTS_BY_WINE_ALIAS, NOTES_TIE), TIES_TOTAL), WINE_ALIASES),
        wine_gives(Row{"ties_by_long_name_by_date",
                       {"mmm", "/d", "/b"},
                       bare(joined(REPORTS_TIE, NOTES_TIE), TIES_TOTAL)},
                   bare(joined(REPORTS_BY_WINE_ALIAS, NOTES_TIE), TIES_TOTAL), WINE_ALIASES),
        Row{"by_name",
            {"/n", "/b", "/a"},
            bare({"[mmm]", "[zzz]", "a500.h", "aaa.txt", "ab_c.x", "abac.x", "ABC.Txt", "abcd.txt",
                  "b500.c", "big.dat", "early.log", "huge.dat", "late.log", "noext", "zero.bin"})},
        Row{"by_extension_default",
            {"/b", "/a"},
            bare({"[mmm]", "[zzz]", "noext", "zero.bin", "b500.c", "big.dat", "huge.dat", "a500.h",
                  "early.log", "late.log", "aaa.txt", "ABC.Txt", "abcd.txt", "ab_c.x", "abac.x"})},
        Row{"by_extension_switch",
            {"/n", "/e", "/b", "/a"},
            bare({"[mmm]", "[zzz]", "noext", "zero.bin", "b500.c", "big.dat", "huge.dat", "a500.h",
                  "early.log", "late.log", "aaa.txt", "ABC.Txt", "abcd.txt", "ab_c.x", "abac.x"})},
        Row{"by_size_ties_by_name",
            {"/s", "/b", "/a"},
            bare({"[mmm]", "[zzz]", "zero.bin", "aaa.txt", "ABC.Txt", "abcd.txt", "ab_c.x",
                  "abac.x", "noext", "late.log", "early.log", "a500.h", "b500.c", "huge.dat",
                  "big.dat"})},
        Row{"by_date_two_second_steps_tie",
            {"/d", "/g", "/b", "/a"},
            bare({"[zzz]", "[mmm]", "b500.c", "ab_c.x", "abac.x", "ABC.Txt", "abcd.txt", "huge.dat",
                  "big.dat", "aaa.txt", "noext", "early.log", "late.log", "zero.bin", "a500.h"})},
        Row{"last_sort_switch_wins",
            {"/d", "/n", "/s", "/b"},
            bare({"zero.bin", "aaa.txt", "ABC.Txt", "abcd.txt", "ab_c.x", "abac.x", "noext",
                  "late.log", "early.log", "a500.h", "b500.c", "huge.dat", "big.dat"})},
        Row{"letters_after_switch_ignored",
            {"/nxyz", "*.x", "/b"},
            "ab_c.x\nabac.x\n\ntotal byte count: 90\n"},
        Row{"by_size_adorned",
            {"/s", "/g", "/z-"},
            "{HDR}\n"
            " mmm           1-01-10  1:00a (directory)      mmm\n"
            " zzz           1-01-00  1:00a (directory)      zzz\n"
            " zero     bin 12-12-22 12:12p           0 a    zero.bin\n"
            " aaa      txt  1-01-20 10:00a          10 a    aaa.txt\n"
            " abc      txt  3-03-18  3:03a          20 a    ABC.Txt\n"
            " abcd     txt  3-03-18  3:04a          30 a    abcd.txt\n"
            " ab_c     x    2-02-17  2:02a          40 a    ab_c.x\n"
            " abac     x    2-02-17  2:03a          50 a    abac.x\n"
            " noext         1-01-21                 60 a    noext\n"
            " late     log  6-01-21  2:30p          70 a    late.log\n"
            " early    log  6-01-21  2:30p          80 a    early.log\n"
            " a500     h    1-01-23  9:00a         500 a    a500.h\n"
            " b500     c    7-07-15  7:07a         500 a    b500.c\n"
            " huge     dat  4-04-19  4:04a 4,294,967.. a    huge.dat\n"
            " big      dat  5-05-19  5:05a 4,294,967.. a    big.dat\n"
            "13 files, 2 directories, 8,589,935,951 bytes\n" +
                TOTAL}),
    RowName{});

TEST(SearchOrder, UnsortedKeepsDirectoriesInPlace)
{
    check_row(
        Row{"unsorted", {"/u", "/b", "/a"}, bare(entries_in_search_order(sort_tree().root()))},
        sort_tree());
}

// "f" and a six-digit number. Built by appending: g++ 12 at -O3 reports a
// false -Wrestrict overlap for a literal put before a temporary string.
std::string numbered_name(int i)
{
    std::string name = "f";
    name += std::to_string(100'000 + i);
    return name;
}

// The entry buffer holds 50,000 records for sorting; past it the pass holds
// every entry compactly, and a directory of any size is sorted.
TEST(SearchOrder, PastTheBufferStillSorted)
{
    constexpr int BUFFER_CAPACITY = 50'000;
    Fixture tree;
    tree.dir("many", {2020, 1, 1, 0, 0, 0});
    // Created from the last name down, so that creation order is no help.
    for (int i = BUFFER_CAPACITY; i > 0; --i)
        tree.file("many/" + numbered_name(i), 0, {2020, 1, 1, 0, 0, 0});
    std::string expected;
    for (int i = 1; i <= BUFFER_CAPACITY; ++i) {
        expected += numbered_name(i);
        expected += '\n';
    }
    check_row(Row{"full_buffer", {"many", "/n", "/b"}, expected + "\ntotal byte count: 0\n"}, tree);

    tree.file("many/f000000", 0, {2020, 1, 1, 0, 0, 0});
    check_row(Row{"one_more", {"many", "/n", "/b"}, "f000000\n" + expected + "\ntotal byte count: 0\n"},
              tree);
}

} // namespace
} // namespace e2e
