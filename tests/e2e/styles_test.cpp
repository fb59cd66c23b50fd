// Line styles: bare names with prefix and trail, true names with and without
// the drive, wide cells, dot style, no extensions, 24-hour times, the
// summary that /y brings back to the unadorned styles, and names outside
// ASCII under a UTF-8 locale and under the C one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

const std::string TXT_TOTAL = "total byte count: 1,234,667\n";
const std::string ALL_TOTAL = "total byte count: 5,001,237,854\n";

INSTANTIATE_TEST_SUITE_P(
    Bare, StandardTreeTest,
    ::testing::Values(
        Row{"files_only_then_empty_line", {"/b"}, standard_bare_files() + "\n" + ALL_TOTAL},
        Row{"trail_after_each_name", {"*.txt", "/b;"}, "a.txt;\nZeta.TXT;\n\n" + TXT_TOTAL},
        Row{"directories_in_brackets",
            {"/b", "/aa"},
            standard_bare_dirs() + "\ntotal byte count: 0\n"},
        wine_gives(Row{"prefix_and_trail_outside_brackets",
                       {"/p>", "/b<", "/aa"},
                       ">[docs]<\n>[sub]<\n>[.cache]<\n\ntotal byte count: 0\n"},
                   ">[.cache]<\n>[docs]<\n>[sub]<\n\ntotal byte count: 0\n", WINE_ALIASES),
        Row{"dash_prefix", {"/p-", "/b", "*.txt"}, "-a.txt\n-Zeta.TXT\n\n" + TXT_TOTAL},
        Row{"empty_prefix", {"/p", "/b", "*.txt"}, "a.txt\nZeta.TXT\n\n" + TXT_TOTAL},
        Row{"quote_switch_changes_nothing",
            {"/q", "/b", "*.txt"},
            "a.txt\nZeta.TXT\n\n" + TXT_TOTAL},
        Row{"nothing_listed", {"/b", "*.zzz"}, "\ntotal byte count: 0\n"},
        Row{"summary_anyway",
            {"/y", "/b", "*.txt", "/z-"},
            "a.txt\nZeta.TXT\n2 files, 1,234,667 bytes\n" + TXT_TOTAL},
        Row{"summary_anyway_nothing_listed",
            {"/y", "/b", "*.zzz", "/z-"},
            "0 files, 0 bytes\ntotal byte count: 0\n"},
        Row{"b_dash_is_adorned_without_directories",
            {"/b-", "*.txt", "/z-"},
            "{HDR}\n"
            " a        txt  1-02-21 10:00a         100 a    a.txt\n"
            " zeta     txt 12-31-19 11:59p   1,234,567 a    Zeta.TXT\n"
            "2 files, 1,234,667 bytes\n" +
                TXT_TOTAL},
        Row{"w_dash_after_b_gives_adorned_bare_lines",
            {"/b", "/w-", "*.txt"},
            " a        txt  1-02-21 10:00a         100 a    a.txt\n"
            " zeta     txt 12-31-19 11:59p   1,234,567 a    Zeta.TXT\n"
            "\n" +
                TXT_TOTAL}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    TrueName, StandardTreeTest,
    ::testing::Values(
        // Under Wine each of these paths opens its file (see drive_letter_test.cpp).
        wine_gives(
            Row{"paths_from_short_names",
                {"/B"},
                "{TRUE}pipe\n{TRUE}readme\n{TRUE}old.bak\n{TRUE}huge.bin\n{TRUE}odd.c\n"
                "{TRUE}locked.dat\n{TRUE}.hid\n{TRUE}early.log\n{TRUE}.sec\n{TRUE}archive.tar\n"
                "{TRUE}verylong.tex\n{TRUE}future.tmp\n{TRUE}a.txt\n{TRUE}zeta.txt\n\n" +
                    ALL_TOTAL},
            "{TRUE}_hid~45n\n{TRUE}_sec~p54\n{TRUE}pipe\n{TRUE}readme\n{TRUE}old.bak\n"
            "{TRUE}huge.bin\n{TRUE}odd.c\n{TRUE}locked.dat\n{TRUE}arch~5fb.gz\n{TRUE}early.log\n"
            "{TRUE}very~2ov.tex\n{TRUE}future.tmp\n{TRUE}a.txt\n{TRUE}zeta.txt\n\n" +
                ALL_TOTAL,
            WINE_ALIASES),
        Row{"trail", {"*.txt", "/B;"}, "{TRUE}a.txt;\n{TRUE}zeta.txt;\n\n" + TXT_TOTAL},
        Row{"resolved_in_listed_directory",
            {"/B", "sub\\*.txt"},
            "{TRUE}sub\\y.txt\n\ntotal byte count: 6\n"},
        Row{"resolved_from_subdirectory",
            {"/B", "..\\*.txt"},
            "{TRUE}a.txt\n{TRUE}zeta.txt\n\n" + TXT_TOTAL,
            0,
            "sub"},
        wine_gives(Row{"directories_bracketed",
                       {"/B", "/aa"},
                       "[{TRUE}docs]\n[{TRUE}sub]\n[{TRUE}.cac]\n\ntotal byte count: 0\n"},
                   "[{TRUE}_cac~qwq]\n[{TRUE}docs]\n[{TRUE}sub]\n\ntotal byte count: 0\n",
                   WINE_ALIASES),
        Row{"no_drive", {"/c", "*.txt"}, "{NODRIVE}a.txt\n{NODRIVE}zeta.txt\n\n" + TXT_TOTAL},
        Row{"wide_has_no_effect",
            {"/B", "/w", "*.txt"},
            "{TRUE}a.txt\n{TRUE}zeta.txt\n\n" + TXT_TOTAL},
        Row{"x_before_B_keeps_extensions",
            {"/x", "/B", "*.txt"},
            "{TRUE}a.txt\n{TRUE}zeta.txt\n\n" + TXT_TOTAL},
        Row{"x_after_B_gives_plain_names",
            {"/B", "/x", "*.txt"},
            "a.txt\nZeta.TXT\n\n" + TXT_TOTAL}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Adorned, StandardTreeTest,
    ::testing::Values(
        standard_on_wine(Row{"dot_style",
                             {"/.", "/z-", "/g"},
                             "{HDR}\n"
                             " docs         11-12-21  6:20p (directory)      docs\n"
                             " sub           1-01-20  8:00a (directory)      sub\n"
                             "*.cac          1-01-19  6:00a (directory)   h  .cache\n"
                             " pipe          2-03-22  1:45p           0    s pipe\n"
                             " readme        6-15-00 12:05p          42 a    readme\n"
                             " old.bak       1-01-80                 64 a    old.bak\n"
                             " huge.bin      5-06-23  7:08a 5,000,000.. a    huge.bin\n"
                             " odd.c         8-09-24  2:30p           1 a    odd.c\n"
                             "+locked.dat    7-08-18  9:15a       1,000 ar   locked.dat\n"
                             "*.hid          3-04-20  0:30a           7 a h  .hidden\n"
                             " early.log     1-01-01              2,048 a    early.log\n"
                             "*.sec          4-05-17  4:00p           3 arh  .secret\n"
                             " archive.tar   2-29-16  6:07a          10 a    archive.tar.gz\n"
                             " verylong.tex  8-17-15  3:04p          12 a    verylongname.text\n"
                             " future.tmp   12-31-07 11:59p           0 a    future.tmp\n"
                             " a.txt         1-02-21 10:00a         100 a    a.txt\n"
                             " zeta.txt     12-31-19 11:59p   1,234,567 a    Zeta.TXT\n"
                             "14 files, 3 directories, 5,001,237,854 bytes\n" +
                                 ALL_TOTAL},
                         {{"*.cac    ", "*_cac~qwq"},
                          {"*.hid    ", "*_hid~45n"},
                          {"*.sec    ", "*_sec~p54"},
                          {"archive.tar ", "arch~5fb.gz "},
                          {"verylong.tex", "very~2ov.tex"}}),
        standard_on_wine(Row{"no_extensions_keep_their_order",
                             {"/x", "/z-", "/g"},
                             "{HDR}\n"
                             " docs         11-12-21  6:20p (directory)      docs\n"
                             " sub           1-01-20  8:00a (directory)      sub\n"
                             "*              1-01-19  6:00a (directory)   h  .cache\n"
                             " pipe          2-03-22  1:45p           0    s pipe\n"
                             " readme        6-15-00 12:05p          42 a    readme\n"
                             " old           1-01-80                 64 a    old.bak\n"
                             " huge          5-06-23  7:08a 5,000,000.. a    huge.bin\n"
                             " odd           8-09-24  2:30p           1 a    odd.c\n"
                             "+locked        7-08-18  9:15a       1,000 ar   locked.dat\n"
                             "*              3-04-20  0:30a           7 a h  .hidden\n"
                             " early         1-01-01              2,048 a    early.log\n"
                             "*              4-05-17  4:00p           3 arh  .secret\n"
                             " archive       2-29-16  6:07a          10 a    archive.tar.gz\n"
                             " verylong      8-17-15  3:04p          12 a    verylongname.text\n"
                             " future       12-31-07 11:59p           0 a    future.tmp\n"
                             " a             1-02-21 10:00a         100 a    a.txt\n"
                             " zeta         12-31-19 11:59p   1,234,567 a    Zeta.TXT\n"
                             "14 files, 3 directories, 5,001,237,854 bytes\n" +
                                 ALL_TOTAL},
                         {{"*              1-01-19", "*_cac~qwq      1-01-19"},
                          {"*              3-04-20", "*_hid~45n      3-04-20"},
                          {"*              4-05-17", "*_sec~p54      4-05-17"},
                          {"archive ", "arch~5fb"},
                          {"verylong ", "very~2ov "}}),
        Row{"dot_style_without_extensions",
            {"/x", "/.", "*.txt", "/z-"},
            "{HDR}\n"
            " a             1-02-21 10:00a         100 a    a.txt\n"
            " zeta         12-31-19 11:59p   1,234,567 a    Zeta.TXT\n"
            "2 files, 0 directories, 1,234,667 bytes\n" +
                TXT_TOTAL},
        standard_on_wine(Row{"hours_in_24",
                             {"/t", "/z-", "/g"},
                             "{HDR}\n"
                             " docs         11-12-21 18:20  (directory)      docs\n"
                             " sub           1-01-20  8:00  (directory)      sub\n"
                             "*         cac  1-01-19  6:00  (directory)   h  .cache\n"
                             " pipe          2-03-22 13:45            0    s pipe\n"
                             " readme        6-15-00 12:05           42 a    readme\n"
                             " old      bak  1-01-80                 64 a    old.bak\n"
                             " huge     bin  5-06-23  7:08  5,000,000.. a    huge.bin\n"
                             " odd      c    8-09-24 14:30            1 a    odd.c\n"
                             "+locked   dat  7-08-18  9:15        1,000 ar   locked.dat\n"
                             "*         hid  3-04-20  0:30            7 a h  .hidden\n"
                             " early    log  1-01-01              2,048 a    early.log\n"
                             "*         sec  4-05-17 16:00            3 arh  .secret\n"
                             " archive  tar  2-29-16  6:07           10 a    archive.tar.gz\n"
                             " verylong tex  8-17-15 15:04           12 a    verylongname.text\n"
                             " future   tmp 12-31-07 23:59            0 a    future.tmp\n"
                             " a        txt  1-02-21 10:00          100 a    a.txt\n"
                             " zeta     txt 12-31-19 23:59    1,234,567 a    Zeta.TXT\n"
                             "14 files, 3 directories, 5,001,237,854 bytes\n" +
                                 ALL_TOTAL}),
        Row{"t_dash_keeps_12_hours",
            {"/t", "/t-", "Zeta.TXT", "/z-"},
            "{HDR}\n"
            " zeta     txt 12-31-19 11:59p   1,234,567 a    Zeta.TXT\n"
            "1 files, 0 directories, 1,234,567 bytes\ntotal byte count: 1,234,567\n"},
        Row{"prefix_ignored_by_adorned_lines",
            {"/p>>", "*.txt", "/z-"},
            "{HDR}\n"
            " a        txt  1-02-21 10:00a         100 a    a.txt\n"
            " zeta     txt 12-31-19 11:59p   1,234,567 a    Zeta.TXT\n"
            "2 files, 0 directories, 1,234,667 bytes\n" +
                TXT_TOTAL}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    WideOnStandardTree, StandardTreeTest,
    ::testing::Values(Row{"cells_then_summary",
                          {"/w", "*.txt", "/z-"},
                          "{HDR}\na.txt           Zeta.TXT        \n"
                          "2 files, 0 directories, 1,234,667 bytes\n" +
                              TXT_TOTAL},
                      wine_gives(Row{"directories_bracketed",
                                     {"/w", "/aa", "/z-"},
                                     "{HDR}\n[docs]          [sub]           [.cache]        \n"
                                     "0 files, 3 directories, 0 bytes\ntotal byte count: 0\n"},
                                 "{HDR}\n[.cache]        [docs]          [sub]           \n"
                                 "0 files, 3 directories, 0 bytes\ntotal byte count: 0\n",
                                 WINE_ALIASES),
                      Row{"b_dash_trail_with_header",
                          {"/b-", "/w", "*.txt", "/z-"},
                          "{HDR}\na.txt-          Zeta.TXT-       \n2 files, 1,234,667 bytes\n" +
                              TXT_TOTAL}),
    RowName{});

// Names outside ASCII, a directory among them; two hold no valid UTF-8 text
// (the bytes FF FE) or a C1 control (U+009B).
const std::vector<std::string> OTHER_SCRIPTS{
    "日本語のファイル.txt", "Привет мир.doc", "café.md",         "Zürich.md",      "😀emoji.png",
    "Übersicht.txt",        "abc.md",         "bad\xff\xfe.txt", "c1\xc2\x9bx.txt"};

// Directories of names sized to meet each rule of the 16-column cells, and
// one of names outside ASCII.
const Fixture& wide_tree()
{
    static const Fixture tree([](Fixture& tree) {
        const Stamp when{2020, 5, 5, 5, 5, 0};
        for (const char* dir : {"w5", "w13", "w14", "wlong", "wpast"})
            tree.dir(dir, when);
        for (const char* name : {"a1.tx", "a2.tx", "a3.tx", "a4.tx", "a5.tx", "a6.tx"})
            tree.file(std::string("w5/") + name, 0, when);
        for (const char* name : {"1bcdefghi.txt", "2bcdefghi.txt", "3bcdefghi.txt"})
            tree.file(std::string("w13/") + name, 0, when);
        for (const char* name : {"b1", "b2", "b3", "b4cdefghij.klm"})
            tree.file(std::string("w14/") + name, 0, when);
        for (const char* name : {"b.x", "c.x"})
            tree.file(std::string("wlong/") + name, 0, when);
        tree.file("wlong/" + std::string(70, 'a'), 0, when);
        for (const char* name : {"a.x", "c.x"})
            tree.file(std::string("wpast/") + name, 0, when);
        tree.file("wpast/b" + std::string(59, 'x'), 0, when);
        tree.dir("wnames", when);
        tree.dir("wnames/Привет", when);
        tree.file("wnames/Привет/inner.txt", 0, when);
        for (const std::string& name : OTHER_SCRIPTS)
            tree.file("wnames/" + name, 0, when);
    });
    return tree;
}

class WideTest : public ::testing::TestWithParam<Row> {};

TEST_P(WideTest, PrintsExpectedBytes)
{
    check_row(GetParam(), wide_tree());
}

std::string wide_row(const std::string& dir, const std::string& cells, int files)
{
    return "{HDR}" + dir + "\\\n" + cells + std::to_string(files) +
           " files, 0 directories, 0 bytes\ntotal byte count: 0\n";
}

const std::string CELL = "           "; // the blanks after a 5-character text

INSTANTIATE_TEST_SUITE_P(
    Cells, WideTest,
    ::testing::Values(Row{"fifth_text_at_column_64_ends_line",
                          {"w5", "/w", "/n", "/z-"},
                          wide_row("w5",
                                   "a1.tx" + CELL + "a2.tx" + CELL + "a3.tx" + CELL + "a4.tx" +
                                       CELL + "a5.tx\n" + "a6.tx" + CELL + "\n",
                                   6)},
                      Row{"thirteen_characters_take_two_cells",
                          {"w13", "/w", "/n", "/z-"},
                          wide_row("w13",
                                   "1bcdefghi.txt" + std::string(19, ' ') + "2bcdefghi.txt" +
                                       std::string(19, ' ') + "3bcdefghi.txt\n",
                                   3)},
                      Row{"fill_not_written_past_column_64",
                          {"w14", "/w", "/n", "/z-"},
                          wide_row("w14",
                                   "b1" + std::string(14, ' ') + "b2" + std::string(14, ' ') +
                                       "b3" + std::string(14, ' ') + "b4cdefghij.klm   \n",
                                   4)},
                      Row{"long_text_alone_on_its_line",
                          {"wlong", "/w", "/n", "/z-"},
                          wide_row("wlong",
                                   std::string(70, 'a') + "\nb.x" + std::string(13, ' ') + "c.x" +
                                       std::string(13, ' ') + "\n",
                                   3)},
                      Row{"text_running_past_64_written_whole",
                          {"wpast", "/w", "/n", "/z-"},
                          wide_row("wpast",
                                   "a.x" + std::string(13, ' ') + "b" + std::string(59, 'x') +
                                       "\nc.x" + std::string(13, ' ') + "\n",
                                   3)}),
    RowName{});

constexpr const char* UTF8 = "C.UTF-8";
constexpr const char* C_LOCALE = "C";
const char* const WINE_ANSI_NAMES =
    "the prefix's ANSI code page holds few of these names: the host gives '?' for the others";

// An adorned line of wnames/: its 12 columns after the mark (8.3 name and
// extension, or dot style), then a 0-byte file of 2020-05-05 05:05.
std::string names_line(const std::string& columns, const std::string& name)
{
    return " " + columns + "  5-05-20  5:05a           0 a    " + name + "\n";
}

std::string names_listing(const std::string& dir_line, const std::string& file_lines)
{
    return "{HDR}wnames\\\n" + dir_line + file_lines +
           "9 files, 1 directories, 0 bytes\ntotal byte count: 0\n";
}

const std::string NAMES_DIR = " Прив         {BT:wnames/Привет} (directory)      Привет\n";

// A row on wnames/ under the locale; Wine cannot give these names.
Row names_row(const char* locale, Row row)
{
    return wine_skips(in_locale(locale, std::move(row)), WINE_ANSI_NAMES);
}

// A bare listing run in wnames/: the names, then the total.
Row bare_names_row(const char* locale, std::string name, std::vector<std::string> args,
                   const std::string& names)
{
    return names_row(locale, Row{std::move(name), std::move(args),
                                 names + "\ntotal byte count: 0\n", 0, "wnames"});
}

INSTANTIATE_TEST_SUITE_P(
    OtherScripts, WideTest,
    ::testing::Values(
        names_row(UTF8, Row{"whole_characters_in_display_columns",
                            {"wnames", "/z-"},
                            names_listing(NAMES_DIR,
                                          names_line("Прив     doc", "Привет мир.doc") +
                                              names_line("abc      md ", "abc.md") +
                                              names_line("café     md ", "café.md") +
                                              names_line("zürich   md ", "Zürich.md") +
                                              names_line("😀emoj   png", "😀emoji.png") +
                                              names_line("bad\xff\xfe    txt", "bad\xff\xfe.txt") +
                                              names_line("c1\xc2\x9bx     txt", "c1\xc2\x9bx.txt") +
                                              names_line("Übersic  txt", "Übersicht.txt") +
                                              names_line("日本     txt", "日本語のファイル.txt"))}),
        names_row(C_LOCALE,
                  Row{"c_locale_cuts_and_counts_bytes",
                      {"wnames", "/z-"},
                      names_listing(" Прив     {BT:wnames/Привет} (directory)      Привет\n",
                                    names_line("Прив doc", "Привет мир.doc") +
                                        names_line("abc      md ", "abc.md") +
                                        names_line("café    md ", "café.md") +
                                        names_line("zürich  md ", "Zürich.md") +
                                        names_line("😀emoj png", "😀emoji.png") +
                                        names_line("bad\xff\xfe    txt", "bad\xff\xfe.txt") +
                                        names_line("c1\xc2\x9bx    txt", "c1\xc2\x9bx.txt") +
                                        names_line("Übersic txt", "Übersicht.txt") +
                                        names_line("日本\xe8\xaa txt", "日本語のファイル.txt"))}),
        names_row(UTF8, Row{"dot_style_in_display_columns",
                            {"wnames\\*.??", "/.", "/z-"},
                            "{HDR}wnames\\\n" + names_line("abc.md      ", "abc.md") +
                                names_line("café.md     ", "café.md") +
                                names_line("zürich.md   ", "Zürich.md") +
                                "3 files, 0 directories, 0 bytes\n"
                                "total byte count: 0\n"}),
        names_row(UTF8, Row{"wide_cells_in_display_columns",
                            {"wnames", "/w", "/z-"},
                            "{HDR}wnames\\\n"
                            "[Привет]        Привет мир.doc                  abc.md"
                            "          café.md\n"
                            "Zürich.md       😀emoji.png     bad\xff\xfe.txt       "
                            "c1\xc2\x9bx.txt        Übersicht.txt\n"
                            "日本語のファイル.txt            \n"
                            "9 files, 1 directories, 0 bytes\ntotal byte count: 0\n"}),
        bare_names_row(UTF8, "question_mark_is_one_character", {"caf?.md", "/b"}, "café.md\n"),
        bare_names_row(C_LOCALE, "c_locale_question_mark_is_one_byte", {"caf??.md", "/b"},
                       "café.md\n"),
        bare_names_row(UTF8, "excluded_by_whole_characters", {"*.md", "/fé", "/b"},
                       "abc.md\nZürich.md\n"),
        bare_names_row(C_LOCALE, "c_locale_excludes_by_bytes", {"*.md", "/fé", "/b"}, "abc.md\n"),
        bare_names_row(UTF8, "true_name_of_whole_characters", {"日本*", "/B"},
                       "{TRUE}wnames\\日本.txt\n"),
        bare_names_row(UTF8, "mask_through_a_directory_outside_ascii", {"Привет\\*.txt", "/b"},
                       "inner.txt\n")),
    RowName{});

} // namespace
} // namespace e2e
