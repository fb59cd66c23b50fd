// Adorned listings of the standard tree: column layout, marks, attribute
// letters, dates at the edges of the DOS range, sizes cut to their column,
// directory times, the summary and the grand total.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// Directories with their creation times, the default; Wine reports the
// last-write times as creation times.
const std::string DIR_LINES_CREATED = on_wine()
                                          ? standard_dir_lines()
                                          : " docs         {BT:docs} (directory)      docs\n"
                                            " sub          {BT:sub} (directory)      sub\n"
                                            "*         cac {BT:.cache} (directory)   h  .cache\n";

const std::string SUMMARY = "14 files, 3 directories, 5,001,237,854 bytes";
const std::string TOTAL = "total byte count: 5,001,237,854\n";

// One matching file: header, its line, a summary without free bytes, total.
std::string single(const std::string& line, const std::string& bytes)
{
    return "{HDR}\n" + line + "\n1 files, 0 directories, " + bytes + " bytes\n" +
           "total byte count: " + bytes + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    WholeDirectory, StandardTreeTest,
    ::testing::Values(
        Row{"no_arguments",
            {},
            "{HDR}\n" + DIR_LINES_CREATED + standard_file_lines() + SUMMARY +
                ", {FREE} bytes free  \n" + TOTAL},
        Row{"free_bytes_left_out",
            {"/z-"},
            "{HDR}\n" + DIR_LINES_CREATED + standard_file_lines() + SUMMARY + "\n" + TOTAL},
        Row{"directories_show_written_time",
            {"/z-", "/g"},
            "{HDR}\n" + standard_dir_lines() + standard_file_lines() + SUMMARY + "\n" + TOTAL},
        Row{"free_bytes_with_z_on",
            {"*.txt", "/z"},
            "{HDR}\n"
            " a        txt  1-02-21 10:00a         100 a    a.txt\n"
            " zeta     txt 12-31-19 11:59p   1,234,567 a    Zeta.TXT\n"
            "2 files, 0 directories, 1,234,667 bytes, {FREE} bytes free  \n"
            "total byte count: 1,234,667\n"}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    OneEntry, StandardTreeTest,
    ::testing::Values(
        standard_on_wine(Row{"fifo_is_system_file",
                             {"pipe", "/z-"},
                             single(" pipe          2-03-22  1:45p           0    s pipe", "0")}),
        Row{"noon_and_year_2000",
            {"readme", "/z-"},
            single(" readme        6-15-00 12:05p          42 a    readme", "42")},
        Row{"size_past_32_bits_cut_to_column",
            {"huge.bin", "/z-"},
            single(" huge     bin  5-06-23  7:08a 5,000,000.. a    huge.bin", "5,000,000,000")},
        Row{"read_only_file",
            {"locked.dat", "/z-"},
            single("+locked   dat  7-08-18  9:15a       1,000 ar   locked.dat", "1,000")},
        standard_on_wine(Row{
            "hidden_file_has_no_short_name",
            {".hidden", "/z-"},
            single("*         hid  3-04-20  0:30a           7 a h  .hidden", "7")}),
        standard_on_wine(Row{
            "hidden_wins_over_read_only",
            {".secret", "/z-"},
            single("*         sec  4-05-17  4:00p           3 arh  .secret", "3")}),
        Row{"midnight_shows_blank_time",
            {"early.log", "/z-"},
            single(" early    log  1-01-01              2,048 a    early.log", "2,048")},
        Row{"odd_second_dropped",
            {"odd.c", "/z-"},
            single(" odd      c    8-09-24  2:30p           1 a    odd.c", "1")},
        standard_on_wine(Row{
            "short_name_cut_to_eight_and_three",
            {"verylongname.text", "/z-"},
            single(" verylong tex  8-17-15  3:04p          12 a    verylongname.text", "12")}),
        standard_on_wine(Row{
            "extension_after_first_dot",
            {"archive.tar.gz", "/z-"},
            single(" archive  tar  2-29-16  6:07a          10 a    archive.tar.gz", "10")}),
        Row{"before_1980_shows_first_day",
            {"old.bak", "/z-"},
            single(" old      bak  1-01-80                 64 a    old.bak", "64")},
        Row{"after_2107_shows_last_moment",
            {"future.tmp", "/z-"},
            single(" future   tmp 12-31-07 11:59p           0 a    future.tmp", "0")},
        Row{"directory_birth_time",
            {"*", "/aa", "/z-"},
            "{HDR}\n" + DIR_LINES_CREATED + "0 files, 3 directories, 0 bytes\n" +
                "total byte count: 0\n"}),
    RowName{});

} // namespace
} // namespace e2e
