// The walk over small scratch trees: which subdirectories it takes, the names
// that cannot be entered as typed, and where it leaves the current directory.
#include "scan/walk.h"

#include "cli/settings.h"
#include "host_fixture.h"
#include "run_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>

namespace {

class WalkTree : public host_test::ScratchDir {
protected:
    void SetUp() override
    {
        ScratchDir::SetUp();
        reset_run_state();
        settings.show_free = 0;
        settings.header_when_empty = 0; // as in every recursive run
        grand_bytes = 0;
        entry_buffer = std::make_unique<EntryRecord[]>(BUFFER_CAPACITY + 1);
    }

    void TearDown() override
    {
        entry_buffer.reset();
        ScratchDir::TearDown();
    }

    // Everything the walk prints for mask, run from the scratch root.
    std::string walk(const char* mask)
    {
        std::filesystem::current_path(root_);
        OutStream out;
        walk_tree(out, mask, SORT_NAME);
        EXPECT_EQ(std::filesystem::current_path(), root_) << "the walk ends where it started";
        return out.text();
    }
};

TEST_F(WalkTree, NextSubdirGivesDirectoriesOnlyAndClosesAtTheEnd)
{
    make_dir("plain");
    make_dir(".hidden");
    make_dir("c:x");
    make_file("file.txt");
    make_file(".dotfile");
    std::filesystem::create_directory_symlink("plain", root_ / "link");
    std::filesystem::current_path(root_);

    std::set<std::string> names;
    FindBlock search;
    for (const char* name = next_subdir(search, true); name != nullptr;
         name = next_subdir(search, false)) {
        names.insert(name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"plain", ".hidden", "c:x"}));
    EXPECT_EQ(search.search, INVALID_SEARCH);
    EXPECT_EQ(search.listing, nullptr);
    EXPECT_EQ(next_subdir(search, false), nullptr) << "an ended search stays ended";
}

// "a\b" would be read as the path a/b and "c:x" as drive C: and x: the walk
// enters neither of those other directories in their stead.
TEST_F(WalkTree, NamesAreEnteredExactlyAsTheSearchGaveThem)
{
    make_dir("a/b");
    make_file("a/b/inner.dat", "1");
    make_dir("a\\b");
    make_file("a\\b/slash.dat", "22");
    make_dir("c:x");
    make_file("c:x/colon.dat", "333");
    make_dir("x");
    make_file("x/plain.dat", "4444");

    const std::string out = walk("*.dat");
    EXPECT_NE(out.find("chdir failed. a\\b defective?\r\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("slash.dat"), std::string::npos) << out;
    for (const char* listed : {"inner.dat", "colon.dat", "plain.dat"}) {
        const std::size_t at = out.find(listed);
        EXPECT_NE(at, std::string::npos) << listed << " in " << out;
        EXPECT_EQ(out.find(listed, at + 1), std::string::npos) << listed << " listed twice";
    }
    EXPECT_NE(out.find(dos("c:x") + "\\\r\n"), std::string::npos) << out;
    EXPECT_EQ(grand_bytes, 1U + 3U + 4U);
}

TEST_F(WalkTree, ALinkCycleIsWalkedOnce)
{
    make_dir("a/b");
    make_file("a/b/f.dat", "12");
    std::filesystem::create_directory_symlink("../..", root_ / "a/b/up");
    walk("*.dat");
    EXPECT_EQ(grand_bytes, 2U);
}

} // namespace
