// What only a host with drive letters has, run on wendex.exe under Wine:
// masks on other drives (C:, the tree's own Z:, a labelled D:, one that does
// not exist), the current directory each drive keeps in its "=X:" record,
// and true names built from 8.3 aliases that open their files again. On the
// POSIX host, whose one drive is C:, these tests are skipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

constexpr const char* NEEDS_DRIVES = "needs a host with drive letters: run under Wine";

void put_file(const std::string& path, std::uint64_t size, Stamp when)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool sized = fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) == 0;
    if (fd >= 0)
        close(fd);
    const std::timespec times[2] = {{to_time(when), 0}, {to_time(when), 0}};
    if (!sized || utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        fail("make " + path);
}

// D:\ holds a.txt, verylongname.text and sub\x.c. Every test process makes
// the same files, so that runs side by side agree on what D: holds.
void fill_drive_d()
{
    static const bool filled = [] {
        const std::string root = wine_drive_d();
        put_file(root + "/a.txt", 100, {2021, 1, 2, 10, 0, 0});
        put_file(root + "/verylongname.text", 12, {2015, 8, 17, 15, 4, 0});
        mkdir((root + "/sub").c_str(), 0755);
        put_file(root + "/sub/x.c", 5, {2020, 2, 2, 2, 2, 0});
        return true;
    }();
    (void)filled;
}

// The lines of a bare listing up to the empty line that ends it.
std::vector<std::string> listed_lines(const RunResult& result)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end;
         (end = result.out.find("\r\n", at)) != std::string::npos && end != at; at = end + 2)
        lines.push_back(result.out.substr(at, end - at));
    return lines;
}

const std::string D_HEADER = "directory of (wendex test) D:\\";
const std::string X_C = " x        c    2-02-20  2:02a           5 a    x.c\n";

class DriveTest : public ::testing::TestWithParam<Row> {};

TEST_P(DriveTest, PrintsExpectedBytes)
{
    if (!on_wine()) {
        GTEST_SKIP() << NEEDS_DRIVES;
    }
    fill_drive_d();
    check_row(GetParam(), standard_tree());
}

INSTANTIATE_TEST_SUITE_P(
    Masks, DriveTest,
    ::testing::Values(
        Row{"labelled_drive_with_aliases",
            {"d:*.t*", "/z-"},
            D_HEADER + "\n"
                       " very~2ov tex  8-17-15  3:04p          12 a    verylongname.text\n"
                       " a        txt  1-02-21 10:00a         100 a    a.txt\n"
                       "2 files, 0 directories, 112 bytes\ntotal byte count: 112\n"},
        Row{"true_name_from_alias",
            {"/B", "d:very*"},
            "d:\\very~2ov.tex\n\ntotal byte count: 12\n"},
        Row{"alias_matched_by_mask",
            {"d:*.tex", "/b"},
            "verylongname.text\n\ntotal byte count: 12\n"},
        Row{"walk_on_another_drive",
            {"d:*.c", "//", "/z-"},
            D_HEADER + "sub\\\n" + X_C + "1 files, 5 bytes\ntotal byte count: 5\n"},
        Row{"root_of_another_drive",
            {"c:\\*.zzz", "/z-"},
            "directory of (ann work) C:\\\n0 files, 0 directories, 0 bytes\ntotal byte count: 0\n"},
        Row{"own_drive_by_letter",
            {"z:*.txt", "/b"},
            "a.txt\nZeta.TXT\n\ntotal byte count: 1,234,667\n"},
        Row{"drive_that_does_not_exist", {"q:", "/b"}, "Couldn't change drives.", 1},
        Row{"missing_drive_in_a_walk", {"q:\\*.*", "//"}, "Couldn't change drives.", 1}),
    RowName{});

// Each line of /B is a path another program can open: given back to wendex as
// a mask, it finds the same entry.
TEST(TrueNames, OpenTheirFilesAgain)
{
    if (!on_wine()) {
        GTEST_SKIP() << NEEDS_DRIVES;
    }
    const Fixture& tree = standard_tree();
    const std::vector<std::string> paths = listed_lines(run_wendex({"/B", "/n"}, tree.root()));
    const std::vector<std::string> names = listed_lines(run_wendex({"/b", "/n"}, tree.root()));
    ASSERT_EQ(paths.size(), names.size());
    ASSERT_GE(paths.size(), 14u);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        const std::string& name = names[i];
        SCOPED_TRACE(path);
        const RunResult found = run_wendex({path, "/b"}, tree.path("sub"));
        EXPECT_EQ(found.exit_code, 0);
        EXPECT_TRUE(found.out.starts_with(name + "\r\n")) << found.out;
    }
}

// cmd.exe keeps the directory it leaves on a drive in that drive's "=X:"
// record, and hands its environment on: "d:" then means D:\sub, not D:\.
TEST(DriveRecords, AMaskOfADriveGoesToItsOwnDirectory)
{
    if (!on_wine()) {
        GTEST_SKIP() << NEEDS_DRIVES;
    }
    fill_drive_d();
    const Fixture& tree = standard_tree();
    const std::vector<std::string> wendex = wine_command({});
    const std::string command = "cd /d D:\\sub && cd /d " + expand("{DIR}", tree, false) +
                                " && Z:" + dos_dir(wendex[1]).substr(2, std::string::npos);
    const auto run = [&](const std::string& args) {
        std::string line = command;
        line.pop_back(); // the '\' dos_dir ends in
        return run_program({wendex[0], "cmd", "/c", line + " " + args}, tree.root());
    };
    const RunResult listed = run("d:*.c /z-");
    EXPECT_EQ(listed.out, crlf(D_HEADER + "sub\\\n" + X_C +
                               "1 files, 0 directories, 5 bytes\ntotal byte count: 5\n"));
    // The tree's drive is the current one: its own directory holds.
    const RunResult here = run("z:*.txt /b");
    EXPECT_EQ(here.out, crlf("a.txt\nZeta.TXT\n\ntotal byte count: 1,234,667\n"));
}

} // namespace
} // namespace e2e
