// Which entries a run lists: directories or not, attribute filters, excluded
// characters, and masks with wildcards, directories, drive prefixes, "." and
// "..", missing directories, and the recursive switch on masks it can reach.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

const std::string ALL_TOTAL = "total byte count: 5,001,237,854\n";
const std::string DIRS_ONLY =
    "{HDR}\n" + standard_dir_lines() + "0 files, 3 directories, 0 bytes\ntotal byte count: 0\n";
const std::string SUB_X = "\\\n x        c    2-02-20  2:02a           5 a    x.c\n"
                          "1 files, 0 directories, 5 bytes\ntotal byte count: 5\n";
const std::string SUB_BOTH = "\\\n x        c    2-02-20  2:02a           5 a    x.c\n"
                             " y        txt  2-02-20  2:02p           6 a    y.txt\n"
                             "2 files, 0 directories, 11 bytes\ntotal byte count: 11\n";

// The lines of text without the one that ends in " name\n".
std::string without(std::string text, const std::string& name)
{
    const std::size_t end = text.find(" " + name + "\n");
    const std::size_t start = text.rfind('\n', end) + 1;
    return text.erase(start, end + name.size() + 2 - start);
}

std::string empty_section(const std::string& dir)
{
    return "{HDR}" + dir + "\n0 files, 0 directories, 0 bytes\ntotal byte count: 0\n";
}

INSTANTIATE_TEST_SUITE_P(
    Directories, StandardTreeTest,
    ::testing::Values(Row{"a_dash_leaves_directories_out",
                          {"/a-", "/z-", "/g"},
                          "{HDR}\n" + standard_file_lines() + "14 files, 5,001,237,854 bytes\n" +
                              ALL_TOTAL},
                      Row{"aa_lists_directories_only", {"/aa", "/z-", "/g"}, DIRS_ONLY},
                      Row{"aa_with_b_lists_nothing", {"/aa", "/b"}, "\ntotal byte count: 0\n"},
                      Row{"a_after_b_lists_directories",
                          {"/b", "/a"},
                          standard_bare_dirs() + standard_bare_files() + "\n" + ALL_TOTAL}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Attributes, StandardTreeTest,
    ::testing::Values(
        standard_on_wine(Row{"read_only_or_hidden",
                             {"/:rh", "/z-", "/g"},
                             "{HDR}\n"
                             "*         cac  1-01-19  6:00a (directory)   h  .cache\n"
                             "+locked   dat  7-08-18  9:15a       1,000 ar   locked.dat\n"
                             "*         hid  3-04-20  0:30a           7 a h  .hidden\n"
                             "*         sec  4-05-17  4:00p           3 arh  .secret\n"
                             "3 files, 1 directories, 1,010 bytes\ntotal byte count: 1,010\n"}),
        standard_on_wine(Row{"read_only_and_hidden",
                             {"/:&rh", "/z-"},
                             "{HDR}\n"
                             "*         sec  4-05-17  4:00p           3 arh  .secret\n"
                             "1 files, 0 directories, 3 bytes\ntotal byte count: 3\n"}),
        standard_on_wine(Row{"archive_and_read_only",
                             {"/:&ar", "/z-"},
                             "{HDR}\n"
                             "+locked   dat  7-08-18  9:15a       1,000 ar   locked.dat\n"
                             "*         sec  4-05-17  4:00p           3 arh  .secret\n"
                             "2 files, 0 directories, 1,003 bytes\ntotal byte count: 1,003\n"}),
        wine_gives(Row{"archive_drops_directories_and_fifo",
                       {"/:a", "/z-"},
                       "{HDR}\n" + without(standard_file_lines(), "pipe") +
                           "13 files, 0 directories, 5,001,237,854 bytes\n" + ALL_TOTAL},
                   "{HDR}\n" + standard_file_lines() +
                       "14 files, 0 directories, 5,001,237,854 bytes\n" + ALL_TOTAL,
                   WINE_NO_FIFO),
        wine_gives(Row{"later_filter_replaces_earlier",
                       {"/:h", "/:s", "/z-"},
                       "{HDR}\n"
                       " pipe          2-03-22  1:45p           0    s pipe\n"
                       "1 files, 0 directories, 0 bytes\ntotal byte count: 0\n"},
                   "{HDR}\n0 files, 0 directories, 0 bytes\ntotal byte count: 0\n", WINE_NO_FIFO),
        Row{"no_letters_no_filter",
            {"/:", "/z-", "/g"},
            "{HDR}\n" + standard_dir_lines() + standard_file_lines() +
                "14 files, 3 directories, 5,001,237,854 bytes\n" + ALL_TOTAL},
        Row{"ampersand_alone_no_filter", {"/:&", "/b"}, standard_bare_files() + "\n" + ALL_TOTAL}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    ExcludedCharacters, StandardTreeTest,
    ::testing::Values(Row{"letters_ignore_case",
                          {"/fz", "*.txt", "/z-"},
                          "{HDR}\n"
                          " a        txt  1-02-21 10:00a         100 a    a.txt\n"
                          "1 files, 0 directories, 100 bytes\ntotal byte count: 100\n"},
                      standard_on_wine(Row{
                          "upper_case_letters",
                          {"/fXZ", "/b"},
                          "pipe\nreadme\nold.bak\nhuge.bin\nodd.c\nlocked.dat\n.hidden\nearly.log\n"
                          ".secret\nfuture.tmp\n\ntotal byte count: 5,000,003,165\n"}),
                      Row{"dot", {"/f.", "/b"}, "pipe\nreadme\n\ntotal byte count: 42\n"},
                      Row{"empty_set_excludes_nothing",
                          {"/f", "/b", "*.txt"},
                          "a.txt\nZeta.TXT\n\ntotal byte count: 1,234,667\n"}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Masks, StandardTreeTest,
    ::testing::Values(
        Row{"question_mark_one_character", {"?.txt", "/b"}, "a.txt\n\ntotal byte count: 100\n"},
        Row{"name_without_extension", {"readme", "/b"}, "readme\n\ntotal byte count: 42\n"},
        Row{"name_matched_without_case", {"README", "/b"}, "readme\n\ntotal byte count: 42\n"},
        Row{"star_dot_star_matches_no_extension",
            {"read*.*", "/b"},
            "readme\n\ntotal byte count: 42\n"},
        // Wine's own search differs from Windows' here; the rows say what
        // Windows (and the POSIX layer) gives.
        wine_skips(Row{"star_dot_matches_no_extension_only",
                       {"*.", "/b"},
                       "pipe\nreadme\n\ntotal byte count: 42\n"},
                   "Wine's FindFirstFileA matches \"*.\" to names with an extension too"),
        wine_skips(Row{"star_question_matches_every_name",
                       {"*?", "/b"},
                       standard_bare_files() + "\n" + ALL_TOTAL},
                   "Wine's FindFirstFileA matches \"*?\" to no name at all"),
        Row{"pattern_in_subdirectory", {"sub\\*.c", "/z-"}, "{HDR}sub" + SUB_X},
        Row{"forward_slashes", {"sub/*.c", "/z-"}, "{HDR}sub" + SUB_X},
        Row{"directory_case_kept_in_header", {"SUB\\*.C", "/z-"}, "{HDR}SUB" + SUB_X},
        Row{"absolute_with_drive", {"{DIR}sub\\*.c", "/z-"}, "{HDR}sub" + SUB_X, 0, "docs"},
        Row{"drive_and_forward_slashes",
            {"{drive}:{POSIX}/sub/*.c", "/z-"},
            "{HDR}sub" + SUB_X,
            0,
            "docs"},
        Row{"drive_then_relative", {"{drive}:sub\\*.c", "/z-"}, "{HDR}sub" + SUB_X},
        Row{"directory_name", {"sub", "/z-"}, "{HDR}sub" + SUB_BOTH},
        Row{"directory_with_backslash", {"sub\\", "/z-"}, "{HDR}sub" + SUB_BOTH},
        Row{"drive_alone", {"{drive}:", "/aa", "/z-", "/g"}, DIRS_ONLY},
        Row{"upper_case_drive", {"{DRIVE}:", "/aa", "/z-", "/g"}, DIRS_ONLY},
        Row{"dot", {".", "/aa", "/z-", "/g"}, DIRS_ONLY},
        Row{"dot_dot", {"..", "/aa", "/z-", "/g"}, DIRS_ONLY, 0, "sub"},
        Row{"empty_mask", {"", "/aa", "/z-", "/g"}, DIRS_ONLY},
        Row{"empty_directory", {"docs", "/z-"}, empty_section("docs\\")},
        Row{"nothing_matches", {"*.zzz", "/z-"}, empty_section("")},
        Row{"missing_directory", {"missing\\*.c", "/z-"}, empty_section("missing\\")},
        Row{"dash_is_a_mask", {"-p", "/z-"}, empty_section("")}),
    RowName{});

// The recursive switch on masks whose subdirectories hold nothing that
// matches, so the output is that of the mask's directory alone.
INSTANTIATE_TEST_SUITE_P(
    Recursive, StandardTreeTest,
    ::testing::Values(
        Row{"current_directory",
            {"*.dat", "//", "/z-"},
            "{HDR}\n"
            "+locked   dat  7-08-18  9:15a       1,000 ar   locked.dat\n"
            "1 files, 1,000 bytes\ntotal byte count: 1,000\n"},
        Row{"enters_mask_directory",
            {"sub\\*.c", "//", "/z-"},
            "{HDR}sub\\\n x        c    2-02-20  2:02a           5 a    x.c\n"
            "1 files, 5 bytes\ntotal byte count: 5\n"},
        Row{"nothing_listed_prints_no_section", {"*.zzz", "//"}, "\ntotal byte count: 0\n"},
        Row{"total_only", {"*.dat", "//", "/total"}, "total byte count: 1,000\n"},
        Row{"missing_directory_fails", {"missing\\*.c", "//"}, "chdir (missing) failed.\n", 38},
        Row{"missing_directory_with_backslash_fails",
            {"missing\\", "//"},
            "chdir (missing) failed.\n",
            38},
        Row{"only_one_backslash_stripped",
            {"missing\\\\", "//"},
            "chdir (missing\\) failed.\n",
            38}),
    RowName{});

} // namespace
} // namespace e2e
