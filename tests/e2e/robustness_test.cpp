// Hostile command lines and trees: over-long and empty arguments, bytes from
// 0x80 up, masks made of separators and wildcards, a 255-character name and
// a working directory past the path room. Each run must end by itself with
// code 0 or 1 and print a listing ending in the total line, or the usage text,
// or the drive message.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <regex>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// What a run must end with: a listing, the usage text, or the drive message.
enum class Outcome { LISTING, USAGE, DRIVE_REFUSED };

struct OddRow {
    std::string name;
    std::vector<std::string> args;
    Outcome outcome = Outcome::LISTING;
};

void PrintTo(const OddRow& row, std::ostream* os)
{
    *os << row.name;
}

// The last line is the total line; checked by hand, since a regex over a
// long listing exhausts std::regex's recursion.
bool ends_with_total(const std::string& out)
{
    static const std::string lead = "total byte count: ";
    if (!out.ends_with("\r\n")) {
        return false;
    }
    const std::string body = out.substr(0, out.size() - 2);
    const std::size_t start = body.rfind("\r\n") == std::string::npos ? 0 : body.rfind("\r\n") + 2;
    const std::string_view line = std::string_view{body}.substr(start);
    if (!line.starts_with(lead)) {
        return false;
    }
    const std::string_view count = line.substr(lead.size());
    static const std::regex grouped(R"([0-9]{1,3}(,[0-9]{3})*)");
    return std::regex_match(count.begin(), count.end(), grouped);
}

void expect_sane_end(const RunResult& result, Outcome outcome)
{
    ASSERT_EQ(result.signal, 0) << "ended by signal " << result.signal;
    EXPECT_EQ(result.err, "");
    const bool listing = result.exit_code == 0 && ends_with_total(result.out);
    const bool usage = result.exit_code == 1 && is_usage_text(result.out);
    const bool drive_refused = result.exit_code == 1 && result.out == "Couldn't change drives.";
    const bool expected = outcome == Outcome::LISTING ? listing
                          : outcome == Outcome::USAGE ? usage
                                                      : drive_refused;
    EXPECT_TRUE(expected) << "exit " << result.exit_code << ", output:\n" << result.out;
}

std::string high_bytes()
{
    std::string text;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        text += static_cast<char>(byte);
    return text;
}

class OddArgumentTest : public ::testing::TestWithParam<OddRow> {};

TEST_P(OddArgumentTest, EndsCleanly)
{
    expect_sane_end(run_wendex(GetParam().args, standard_tree().path("sub")), GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, OddArgumentTest,
    ::testing::Values(
        OddRow{"empty_mask", {""}, Outcome::LISTING},
        OddRow{"empty_mask_among_switches", {"/b", "", "/n"}, Outcome::LISTING},
        OddRow{"mask_of_259", {std::string(259, 'a'), "/z-"}, Outcome::LISTING},
        OddRow{"mask_of_259_backslashes", {std::string(259, '\\'), "/z-"}, Outcome::LISTING},
        OddRow{"mask_of_259_wildcards", {std::string(259, '*'), "/z-"}, Outcome::LISTING},
        OddRow{"mask_of_259_recursive", {std::string(259, 'a'), "//"}, Outcome::LISTING},
        OddRow{"mask_of_260", {std::string(260, 'a')}, Outcome::USAGE},
        OddRow{"mask_of_300_dots", {std::string(300, '.')}, Outcome::USAGE},
        OddRow{"mask_of_5000", {std::string(5000, 'a')}, Outcome::USAGE},
        OddRow{"prefix_of_5000", {"/p" + std::string(4998, 'p'), "/b"}, Outcome::LISTING},
        OddRow{"trail_of_5000", {"/b" + std::string(4998, 't')}, Outcome::LISTING},
        OddRow{"wide_trail_of_5000", {"/b" + std::string(4998, 't'), "/w"}, Outcome::LISTING},
        OddRow{"exclusions_of_5000", {"/f" + std::string(4998, 'q')}, Outcome::LISTING},
        OddRow{"attributes_of_5000", {"/:" + std::string(4998, '&')}, Outcome::LISTING},
        OddRow{"many_arguments", std::vector<std::string>(2000, "/n"), Outcome::LISTING}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Bytes, OddArgumentTest,
    // Under Wine each byte that makes no UTF-8 character arrives as U+FFFD:
    // three bytes in the UTF-8 code page, so the mask no longer fits a path,
    // and a lost character in code page 1252. Either way it is refused.
    ::testing::Values(OddRow{"high_bytes_mask",
                             {high_bytes(), "/z-"},
                             on_wine() ? Outcome::USAGE : Outcome::LISTING},
                      OddRow{"high_bytes_prefix", {"/p" + high_bytes(), "/b"}, Outcome::LISTING},
                      OddRow{"high_bytes_exclusions", {"/f" + high_bytes()}, Outcome::LISTING},
                      // Under Wine the byte of the drive arrives as U+FFFD too:
                      // three bytes and no drive, so a name found nowhere; in
                      // code page 1252 a lost character, refused.
                      OddRow{"high_byte_drive",
                             {"\xE9:x"},
                             !on_wine()            ? Outcome::DRIVE_REFUSED
                             : wine_speaks_utf8() ? Outcome::LISTING
                                                  : Outcome::USAGE},
                      OddRow{"high_byte_attribute", {"/:\xE9"}, Outcome::USAGE}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Separators, OddArgumentTest,
    ::testing::Values(OddRow{"four_backslashes", {"\\\\\\\\", "/z-"}, Outcome::LISTING},
                      OddRow{"four_slashes", {"////", "/z-"}, Outcome::LISTING},
                      OddRow{"drive_and_three_backslashes", {"c:\\\\\\", "/z-"}, Outcome::LISTING},
                      OddRow{"root", {"\\", "/total"}, Outcome::LISTING},
                      OddRow{"drive_root", {"c:\\", "/total"}, Outcome::LISTING},
                      OddRow{"wildcards_only", {"*?*?*?", "/z-"}, Outcome::LISTING},
                      OddRow{"dots_and_stars", {"*.*.*.*", "/z-"}, Outcome::LISTING},
                      OddRow{"colon_alone", {":", "/z-"}, Outcome::LISTING},
                      OddRow{"two_colons", {"::", "/z-"}, Outcome::DRIVE_REFUSED},
                      OddRow{"above_the_root",
                             {"..\\..\\..\\..\\..\\..\\..\\..\\..\\..", "/total"},
                             Outcome::LISTING},
                      OddRow{
                          "there_and_back", {"..\\sub\\.\\..\\sub\\*.c", "/z-"}, Outcome::LISTING}),
    RowName{});

// A name of 255 characters, the longest a directory entry holds, prints whole.
TEST(LongName, PrintedWhole)
{
    Fixture tree;
    const std::string name = std::string(251, 'n') + ".txt";
    tree.file(name, 9, {2020, 1, 1, 1, 1, 0});
    check_row(Row{"long_name", {"/b"}, name + "\n\ntotal byte count: 9\n"}, tree);
    check_row(wine_edits(Row{"long_name_adorned",
                             {"/z-"},
                             "{HDR}\n nnnnnnnn txt  1-01-20  1:01a           9 a    " + name +
                                 "\n1 files, 0 directories, 9 bytes\ntotal byte count: 9\n"},
                         {{" nnnnnnnn txt", " nnnn~3h4 txt"}}, WINE_ALIASES),
              tree);
}

// A working directory whose path does not fit the path room.
TEST(DeepDirectory, ListsWithoutFailing)
{
    Fixture tree;
    std::string rel;
    for (int level = 0; level < 6; ++level) {
        rel += (rel.empty() ? "" : "/") + std::string(50, static_cast<char>('a' + level));
        tree.dir(rel, {2020, 1, 1, 1, 1, 0});
    }
    tree.file(rel + "/f.txt", 3, {2020, 1, 1, 1, 1, 0});
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"/b"}, {"/B"}, {"*.txt", "//"}, {"..", "/z-"}}) {
        SCOPED_TRACE(args.empty() ? "(no arguments)" : args[0]);
        expect_sane_end(run_wendex(args, tree.path(rel)), Outcome::LISTING);
    }
    // True names past the path room are built on the directory in full.
    std::string dos_rel = rel;
    std::replace(dos_rel.begin(), dos_rel.end(), '/', '\\');
    const std::string deep_names =
        "under Wine: Windows keeps a current directory of 259 characters at most";
    check_row(wine_skips(Row{"true_name_deep",
                             {"/B"},
                             "{TRUE}" + dos_rel + "\\f.txt\n\ntotal byte count: 3\n",
                             0,
                             rel},
                         deep_names),
              tree);
    check_row(wine_skips(Row{"true_name_deep_walk",
                             {"*.txt", "/c", "//"},
                             "{NODRIVE}" + dos_rel + "\\f.txt\n\ntotal byte count: 3\n"},
                         deep_names),
              tree);
}

// Standard output that cannot take the listing: the run stops and says so by
// its code (and on standard error, unless the reader has simply gone), at
// the end or mid-run once a full buffer fails to go out.
struct OutputRow {
    std::string name;
    Stdout to;
    bool ignore_sigpipe;
    int exit_code;
    int signal;
    std::string err;
};

TEST(OutputFailure, NeverPassesForSuccess)
{
    const std::string message = "Couldn't write output.\n";
    const OutputRow rows[] = {
        {"full_disk", Stdout::DEV_FULL, false, 74, 0, message},
        {"closed", Stdout::CLOSED, false, 74, 0, message},
        {"read_only", Stdout::READ_ONLY, false, 74, 0, message},
        // A Win32 process gets no signal: the write fails, and the run ends
        // as a POSIX one that ignores SIGPIPE.
        on_wine() ? OutputRow{"reader_gone", Stdout::BROKEN_PIPE, false, 74, 0, ""}
                  : OutputRow{"reader_gone", Stdout::BROKEN_PIPE, false, -1, SIGPIPE, ""},
        {"reader_gone_sigpipe_ignored", Stdout::BROKEN_PIPE, true, 74, 0, ""},
    };
    // Under Wine the mid-run case cannot be had this way: a Windows command
    // line holds at most 32,767 characters.
    const std::string big_prefix = "/p" + std::string(70'000, 'p');
    const std::vector<std::vector<std::string>> runs =
        on_wine() ? std::vector<std::vector<std::string>>{{"//"}}
                  : std::vector<std::vector<std::string>>{{"//"}, {"/b", big_prefix}};
    for (const auto& row : rows) {
        for (const auto& args : runs) {
            SCOPED_TRACE(row.name + (args.size() > 1 ? " mid-run" : " at the end"));
            const RunResult result =
                run_wendex(args, standard_tree().root(),
                           {.stdout_to = row.to, .ignore_sigpipe = row.ignore_sigpipe});
            EXPECT_EQ(result.exit_code, row.exit_code);
            EXPECT_EQ(result.signal, row.signal);
            EXPECT_EQ(result.err, row.err);
        }
    }
}

// What the dynamic loader says when it cannot map the program or give its
// first thread room, before any of wendex runs.
bool is_loader_refusal(const std::string& err)
{
    return err.find("error while loading shared libraries") != std::string::npos ||
           err.find("cannot allocate TLS data structures") != std::string::npos;
}

// Why the binary cannot start under the small address-space limits the
// memory tests sweep, or nothing where it can.
const char* why_address_space_cannot_be_limited()
{
#ifdef WENDEX_SANITIZED
    return "sanitizers cannot start under a small address-space limit";
#else
    return on_wine() ? "under Wine: its loader alone needs more address space than the limits swept"
                     : nullptr;
#endif
}

// Every allocation that fails, wherever it strikes, ends the run with the
// message and code of a failed entry buffer: never a signal, and never a
// listing cut short that passes for whole. The address-space limit is swept
// so that some runs fail before the listing and some in the middle of it.
TEST(Memory, EveryAllocationFailureEndsWithItsMessage)
{
    if (const char* why = why_address_space_cannot_be_limited()) {
        GTEST_SKIP() << why;
    }
    // A file listed first, then a directory whose many subdirectories' names
    // the walk holds.
    Fixture tree;
    tree.file("f.txt", 1, {2020, 1, 1, 1, 1, 0});
    tree.dir("wide", {2020, 1, 1, 1, 1, 0});
    for (int i = 0; i < 6000; ++i)
        tree.dir("wide/" + std::to_string(i) + std::string(240, 'n'), {2020, 1, 1, 1, 1, 0});
    // Limits in KiB: the lowest ones leave the program too little even to
    // start (the loader refuses, code 127) or to build its output stream;
    // the highest fail in the middle of the listing.
    const struct {
        std::uint64_t from, to, step;
    } sweeps[] = {{5000, 7000, 25}, {14 << 10, 34 << 10, 1 << 10}};
    bool failed_before_output = false;
    bool failed_mid_run = false;
    for (const auto& sweep : sweeps) {
        for (std::uint64_t kib = sweep.from; kib <= sweep.to; kib += sweep.step) {
            SCOPED_TRACE(std::to_string(kib) + " KiB");
            const RunResult result =
                run_wendex({"//", "/b"}, tree.root(), {.address_space = kib << 10});
            ASSERT_EQ(result.signal, 0);
            if (result.exit_code == 127 && result.out.empty() && is_loader_refusal(result.err)) {
                continue; // never started
            }
            EXPECT_EQ(result.err, "");
            if (result.exit_code == 7) {
                EXPECT_TRUE(result.out.ends_with("Couldn't malloc()."));
                failed_before_output = failed_before_output || result.out == "Couldn't malloc().";
                failed_mid_run = failed_mid_run || result.out != "Couldn't malloc().";
            } else {
                EXPECT_EQ(result.exit_code, 0);
                EXPECT_TRUE(ends_with_total(result.out));
            }
        }
    }
    EXPECT_TRUE(failed_before_output) << "no limit failed before the listing";
    EXPECT_TRUE(failed_mid_run) << "no limit made the listing itself run out of memory";
}

// A sorted pass past the entry buffer holds its entries compactly; where
// memory cannot hold them, what is held goes out in search order and so does
// the rest: every run lists all 60,000 names, sorted or in search order, or
// says that memory ran out.
TEST(Memory, APassMemoryCannotHoldIsListedInSearchOrder)
{
    if (const char* why = why_address_space_cannot_be_limited()) {
        GTEST_SKIP() << why;
    }
    constexpr int FILES = 60'000;
    Fixture tree;
    std::vector<std::string> sorted;
    for (int i = FILES; i > 0; --i) {
        sorted.push_back("f" + std::to_string(100'000 + i));
        tree.file(sorted.back(), 0, {2020, 1, 1, 1, 1, 0});
    }
    std::sort(sorted.begin(), sorted.end());
    bool in_search_order = false;
    bool in_order = false;
    for (std::uint64_t kib = 20 << 10; kib <= 24 << 10; kib += 512) {
        SCOPED_TRACE(std::to_string(kib) + " KiB");
        const RunResult result = run_wendex({"/n", "/b"}, tree.root(), {.address_space = kib << 10});
        if (result.exit_code == 127 || (result.exit_code == 7 && result.out.ends_with("Couldn't malloc()."))) {
            continue; // never started, or out of memory before the pass could hold anything
        }
        ASSERT_EQ(result.exit_code, 0) << result.out.substr(0, 200);
        std::vector<std::string> names;
        for (std::size_t at = 0, end = 0;
             (end = result.out.find("\r\n", at)) != std::string::npos && end != at; at = end + 2)
            names.push_back(result.out.substr(at, end - at));
        const bool sorted_here = std::is_sorted(names.begin(), names.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, sorted) << "every name listed once";
        (sorted_here ? in_order : in_search_order) = true;
    }
    EXPECT_TRUE(in_search_order) << "no limit left the pass short of memory";
    EXPECT_TRUE(in_order) << "no limit let the pass sort";
}

// A directory that can be read but not searched lists every entry from what
// its directory entry tells (kind, no size, the earliest time); a name in a
// directory that can be searched but not read is found by looking it up.
TEST(Permissions, EntriesAreNotDropped)
{
    if (on_wine()) {
        GTEST_SKIP() << WINE_AS_ROOT;
    }
    Fixture tree;
    const Stamp when{2021, 3, 4, 5, 6, 0};
    tree.dir("ro", when);
    tree.file("ro/f.txt", 5, when);
    tree.dir("ro/sub", when);
    tree.dir("xonly", when);
    tree.file("xonly/f.txt", 7, when);
    tree.dir("walked", when);
    tree.dir("walked/xonly", when);
    tree.file("walked/xonly/f.txt", 7, when);
    tree.seal();
    ASSERT_EQ(chmod(tree.root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(tree.path("ro").c_str(), 0444), 0);
    ASSERT_EQ(chmod(tree.path("xonly").c_str(), 0311), 0);
    ASSERT_EQ(chmod(tree.path("walked/xonly").c_str(), 0311), 0);
    const RunOptions nobody{.as_nobody = true};
    check_row(Row{"readable_not_searchable",
                  {"ro", "/z-"},
                  "{HDR}ro\\\n"
                  " sub           1-01-80        (directory)      sub\n"
                  " f        txt  1-01-80                  0 a    f.txt\n"
                  "1 files, 1 directories, 0 bytes\ntotal byte count: 0\n"},
              tree, nobody);
    check_row(Row{"searchable_not_readable",
                  {"xonly\\f.txt", "/z-"},
                  "{HDR}xonly\\\n"
                  " f        txt  3-04-21  5:06a           7 a    f.txt\n"
                  "1 files, 0 directories, 7 bytes\ntotal byte count: 7\n"},
              tree, nobody);
    // What cannot be read is said to be unread, never passed off as empty.
    const std::string unread = "read failed. {DIR}xonly\\ defective?\n";
    check_row(
        Row{"start_directory_not_readable",
            {"/z-"},
            "{HDR}xonly\\\n0 files, 0 directories, 0 bytes" + unread + "\ntotal byte count: 0\n",
            0,
            "xonly"},
        tree, nobody);
    check_row(Row{"walked_directory_not_readable",
                  {"xonly\\*", "//"},
                  unread + "\ntotal byte count: 0\n"},
              tree, nobody);
    check_row(Row{"name_found_below_a_walk_that_cannot_read",
                  {"xonly\\f.txt", "//", "/z-"},
                  "{HDR}xonly\\\n f        txt  3-04-21  5:06a           7 a    f.txt\n"
                  "1 files, 7 bytes" +
                      unread + "\ntotal byte count: 7\n"},
              tree, nobody);
    const std::string entered =
        POSIX_CALLS_ALONE
            ? "chdir failed. xonly defective?\n\ntotal byte count: 0\n"
            : "{HDR}walked\\xonly\\\n f        txt  3-04-21  5:06a           7 a    f.txt\n"
              "1 files, 7 bytesread failed. {DIR}walked\\xonly\\ defective?\n\n"
              "total byte count: 7\n";
    check_row(Row{"walk_enters_directory_not_readable", {"f.txt", "//", "/z-"}, entered, 0, "walked"},
              tree, nobody);
}

// Byte totals that would pass 2^64 - 1 stay there, per directory and in all:
// three sparse files of 2^63 - 1 bytes each on a tmpfs, which allows them.
TEST(Totals, HeldAtTheLargestCount)
{
    Fixture tree;
    tree.dir("t", {2021, 3, 4, 5, 6, 0});
    const std::string most = "18,446,744,073,709,551,615";
    for (const auto& [args, expected] :
         {std::pair{std::vector<std::string>{"/total"}, "total byte count: " + most + "\r\n"},
          {{"/b", "/y", "/z-"},
           "a\r\nb\r\nc\r\n3 files, 18,446,744,07.. bytes\r\n"
           "total byte count: " +
               most + "\r\n"}}) {
        const auto result = run_wendex_with_mounts(
            "mount -t tmpfs none t && cd t && truncate -s 9223372036854775807 a b c", args,
            tree.root());
        if (!result)
            GTEST_SKIP() << "no mount namespace here (needs root and unshare)";
        EXPECT_EQ(result->out, expected);
        EXPECT_EQ(result->exit_code, 0);
    }
}

// A symbolic link is described by itself: its own size and times, never its
// target's, listed as a directory when it points at one and never entered;
// a dangling link is a file like any other. A mask naming a link to a
// directory is followed, as any path typed.
TEST(Links, DescribedByThemselves)
{
    Fixture tree;
    const Stamp when{2021, 3, 4, 5, 6, 0};
    tree.dir("outside", when);
    tree.file("outside/BIG", 123'456'789, when);
    tree.dir("tree", when);
    tree.dir("tree/sub", when);
    const std::time_t link_time = to_time(when);
    const timespec times[2] = {{link_time, 0}, {link_time, 0}};
    for (const auto& [target, link] : {std::pair{"../../outside/BIG", "tree/sub/x.txt"},
                                       {"missing", "tree/dl"},
                                       {"../outside", "tree/dirlink"}}) {
        ASSERT_EQ(symlink(target, tree.path(link).c_str()), 0);
        ASSERT_EQ(utimensat(AT_FDCWD, tree.path(link).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
    tree.seal();
    const std::string why = "under Wine: a POSIX link is its target to Win32";
    for (const Row& row : {
             Row{"links_count_their_own_size",
                 {"/total", "//"},
                 "total byte count: 24\n",
                 0,
                 "tree"},
             Row{"links_listed_by_themselves",
                 {"/g", "/z-", "/n"},
                 "{HDR}tree\\\n"
                 " dirlink       3-04-21  5:06a (directory)      dirlink\n"
                 " sub           3-04-21  5:06a (directory)      sub\n"
                 " dl            3-04-21  5:06a           7 a    dl\n"
                 "1 files, 2 directories, 7 bytes\ntotal byte count: 7\n",
                 0,
                 "tree"},
             Row{"mask_naming_a_link_is_followed",
                 {"dirlink", "/z-"},
                 "{HDR}tree\\dirlink\\\n"
                 " big           3-04-21  5:06a 123,456,789 a    BIG\n"
                 "1 files, 0 directories, 123,456,789 bytes\ntotal byte count: 123,456,789\n",
                 0,
                 "tree"},
         }) {
        check_row(wine_skips(row, why), tree);
    }
}

// Names are data: written byte for byte where the output is not a terminal
// (a line feed inside a name included); a mask whose directory part is made
// of dots still names the listed directory, ending in '\'; and a true name
// is the listed directory and the name joined as text, nothing resolved.
TEST(OddNames, WrittenAsTheyAreAndNeverResolved)
{
    Fixture tree;
    const Stamp when{2021, 3, 4, 5, 6, 0};
    const std::string escape = "esc\x1b[31mRED\x1b[0m.txt";
    tree.file(escape, 1, when);
    tree.file("line\nfeed", 2, when);
    tree.file("..foo", 3, when);
    tree.file("x\\..\\..\\etc", 4, when);
    tree.file("bill\u202Etxt.zip", 5, when); // shows as "billpiz.txt" where it acts
    const RunResult raw = run_wendex({"*e*", "/b", "/n", "/f\\"}, tree.root());
    EXPECT_EQ(raw.out, escape + "\r\nline\nfeed\r\n\r\ntotal byte count: 3\r\n");
    // On a terminal what would act shows as '?', the direction controls too.
    RunOptions terminal;
    terminal.stdout_to = Stdout::TERMINAL;
    terminal.locale = "C.UTF-8";
    const std::vector<std::string> args{"*l*", "/b", "/n", "/f\\"};
    // Code page 1252 holds no U+202E: the name comes as the listing shows it.
    const bool ansi = on_wine() && !wine_speaks_utf8();
    EXPECT_EQ(run_wendex(args, tree.root()).out,
              std::string(ansi ? "bill?txt.zip" : "bill\u202Etxt.zip") +
                  "\r\nline\nfeed\r\n\r\ntotal byte count: 7\r\n");
    if (!on_wine()) {
        EXPECT_EQ(run_wendex(args, tree.root(), terminal).out,
                  "bill?txt.zip\r\nline?feed\r\n\r\ntotal byte count: 7\r\n");
    }
    check_row(wine_edits(Row{"dotted_directory_part",
                             {"..f*", "/z-"},
                             "{HDR}\n*         .fo  3-04-21  5:06a           3 a h  ..foo\n"
                             "1 files, 0 directories, 3 bytes\ntotal byte count: 3\n"},
                         {{"*         .fo", "*_~~~~pdz foo"}}, WINE_ALIASES),
              tree);
    // A name holding '\' cannot exist on Windows; Wine's alias for it keeps them.
    check_row(wine_edits(Row{"true_names_joined_as_text",
                             {"/B", "/n", "x*"},
                             "{TRUE}x\\..\\.\n\ntotal byte count: 4\n"},
                         {{"x\\..\\.", "x\\__~5va.\\et"}}, WINE_ALIASES),
              tree);
}

} // namespace
} // namespace e2e
