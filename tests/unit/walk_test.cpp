// The walk over small scratch trees: which subdirectories it takes, the names
// that cannot be entered as typed, and where it leaves the current directory.
#include "scan/walk.h"

#include "scan/directory_pass.h"

#include "core/run_state.h"
#include "fs/host_hooks.h"
#include "host_fixture.h"
#include "run_state.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <unistd.h>

namespace {

class WalkTree : public host_test::ScratchDir {
protected:
    void SetUp() override
    {
        ScratchDir::SetUp();
        fresh_run_state();
        settings.show_free = 0;
        settings.header_when_empty = 0; // as in every recursive run
        grand_bytes = 0;
        entry_buffer = std::make_unique<EntryRecord[]>(BUFFER_CAPACITY + 1);
    }

    // Everything the walk prints for mask, run from the scratch root (or
    // from start, where the walk need not end).
    std::string walk(const char* mask, const std::string& start = "")
    {
        std::filesystem::current_path(root_ / start);
        OutStream out;
        walk_tree(out, mask, SORT_NAME);
        if (start.empty()) {
            EXPECT_EQ(std::filesystem::current_path(), root_) << "the walk ends where it started";
        }
        return out.text();
    }

    void make_file_in(const std::string& relative, const std::string& text)
    {
        make_dir(std::filesystem::path(relative).parent_path().string());
        make_file(relative, text);
    }

    // Runs action (on the scratch root) just before the first step of the
    // kind; the hook is gone with the test.
    void before_first(HostStep step, std::function<void(const std::filesystem::path&)> action)
    {
        set_host_hook([this, step, action, done = false](HostStep now, const char*) mutable {
            if (now == step && !done) {
                done = true;
                action(root_);
            }
            return 0;
        });
    }

    void TearDown() override
    {
        set_host_hook({});
        entry_buffer.reset();
        ScratchDir::TearDown();
    }
};

// The pass's read finds every directory the walk may enter, whatever the
// mask: hidden ones too, links and "." and ".." never; and the walk takes
// them from that read, opening the directory once. Where the pass looked a
// name up instead, the walk reads the directory itself.
TEST_F(WalkTree, OneReadServesThePassAndTheWalk)
{
    make_dir("plain");
    make_dir(".hidden");
    make_dir("c:x");
    make_file("file.txt");
    make_file(".dotfile");
    std::filesystem::create_directory_symlink("plain", root_ / "link");
    std::filesystem::current_path(root_);
    int opened = 0;
    set_host_hook([&opened](HostStep step, const char*) {
        opened += step == HostStep::OPEN_DIR ? 1 : 0;
        return 0;
    });
    for (const auto& [mask, opens] : {std::pair{"*.txt", 1}, {"file.txt", 1}}) {
        opened = 0;
        OutStream out;
        list_directory(out, mask, SORT_NAME);
        const std::vector<host::Subdirectory> found =
            host::subdirectories().value_or(std::vector<host::Subdirectory>{});
        std::set<std::string> names;
        for (const host::Subdirectory& subdirectory : found) {
            names.insert(subdirectory.name);
            EXPECT_EQ(subdirectory.reach, "") << "a POSIX name is its own way";
        }
        EXPECT_EQ(names, (std::set<std::string>{"plain", ".hidden", "c:x"})) << mask;
        EXPECT_NE(out.text().find("file.txt"), std::string::npos) << out.text();
        EXPECT_EQ(opened, opens) << mask;
    }
}

// "a\b" and "c:x" are names, not paths: each is entered as itself, never as
// the directory a/b or the drive C: in its stead.
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
    EXPECT_EQ(out.find("defective"), std::string::npos) << out;
    for (const char* listed : {"inner.dat", "slash.dat", "colon.dat", "plain.dat"}) {
        const std::size_t at = out.find(listed);
        EXPECT_NE(at, std::string::npos) << listed << " in " << out;
        EXPECT_EQ(out.find(listed, at + 1), std::string::npos) << listed << " listed twice";
    }
    EXPECT_NE(out.find(dos("c:x") + "\\\r\n"), std::string::npos) << out;
    EXPECT_EQ(grand_bytes, 1U + 2U + 3U + 4U);
}

TEST_F(WalkTree, ALinkCycleIsWalkedOnce)
{
    make_dir("a/b");
    make_file("a/b/f.dat", "12");
    std::filesystem::create_directory_symlink("../..", root_ / "a/b/up");
    walk("*.dat");
    EXPECT_EQ(grand_bytes, 2U);
}

// Trees that change at the worst moment, as a racing process would change
// them: the walk never lists a directory outside its tree.
TEST_F(WalkTree, ASubdirectorySwappedForALinkIsNotFollowed)
{
    make_file_in("tree/z/f.dat", "1");
    make_file_in("elsewhere/secret.dat", "999");
    before_first(HostStep::ENTER_SUBDIR, [](const std::filesystem::path& root) {
        std::filesystem::rename(root / "tree/z", root / "gone");
        std::filesystem::create_directory_symlink(root / "elsewhere", root / "tree/z");
    });
    const std::string out = walk("*.dat", "tree");
    EXPECT_NE(out.find("chdir failed. z defective?"), std::string::npos) << out;
    EXPECT_EQ(out.find("secret.dat"), std::string::npos) << out;
    EXPECT_EQ(grand_bytes, 0U);
}

TEST_F(WalkTree, AStartDirectoryRenamedMidWalkIsFollowedNotItsNamesake)
{
    make_file_in("T/a/f1.dat", "1");
    make_file_in("T/b/f2.dat", "22");
    make_file_in("t/a/x.dat", "333");
    make_file_in("t/b/y.dat", "4444");
    before_first(HostStep::ENTER_PARENT, [](const std::filesystem::path& root) {
        std::filesystem::rename(root / "T", root / "T2");
    });
    const std::string out = walk("*.dat", "T");
    EXPECT_EQ(grand_bytes, 1U + 2U) << out;
    EXPECT_EQ(std::filesystem::current_path(), root_ / "T2");
}

TEST_F(WalkTree, AReturnThatWouldLandElsewhereEndsTheWalk)
{
    make_file_in("tree/a/f.dat", "1");
    make_file_in("tree/b/g.dat", "22");
    make_file_in("tree/c/h.dat", "333");
    // Whichever child comes first is moved out of the tree while it is walked.
    set_host_hook([this, done = false](HostStep now, const char*) mutable {
        if (now == HostStep::ENTER_PARENT && !done) {
            done = true;
            std::filesystem::rename(std::filesystem::current_path(), root_ / "moved");
        }
        return 0;
    });
    const std::string out = walk("*.dat", "tree");
    EXPECT_NE(out.find("chdir failed. .. defective?"), std::string::npos) << out;
    EXPECT_LT(grand_bytes, 10U) << "only the moved child was listed: " << out;
}

TEST_F(WalkTree, AFailedReadIsReportedNotTakenForTheEnd)
{
    make_file_in("tree/f.dat", "1");
    make_file_in("tree/g.dat", "2");
    const struct {
        HostStep step;
        int error;
        HostStep also = step; // a second step failing alike
    } failures[] = {{HostStep::READ_DIR, EIO},    {HostStep::OPEN_DIR, EIO},
                    {HostStep::OPEN_DIR, ENOMEM}, {HostStep::OPEN_DIR, EMFILE},
                    {HostStep::STAT_ENTRY, EIO},  {HostStep::STAT_CURRENT, EIO},
                    // A directory that can be neither read nor searched.
                    {HostStep::OPEN_DIR, EACCES, HostStep::STAT_CURRENT}};
    for (const auto& [step, error, also] : failures) {
        SCOPED_TRACE(std::to_string(static_cast<int>(step)) + " fails with " +
                     std::strerror(error));
        set_host_hook([step, error, also = also](HostStep now, const char*) {
            return now == step || now == also ? error : 0;
        });
        const std::string out = walk("*.dat", "tree");
        const std::string message = "read failed. " + dos("tree") + "\\ defective?\r\n";
        const std::size_t at = out.find(message);
        EXPECT_NE(at, std::string::npos) << out;
        EXPECT_EQ(out.find(message, at + 1), std::string::npos) << "said once: " << out;
    }
}

// Where the host cannot say which directory is current (a query refused, a
// directory removed between the step into it and its read), each directory
// is named from the path the walk followed, and a failed read is said once.
TEST_F(WalkTree, DirectoriesTheHostCannotNameAreNamedFromTheWalk)
{
    make_file_in("tree/a/f.dat", "1");
    make_file_in("tree/b/c/g.dat", "22");
    make_dir("tree/gone");
    const std::string named = walk("*.dat", "tree");
    section_state = SectionState{};
    out_column = 0;
    std::filesystem::current_path(root_ / "tree");
    host::get_current_dir(); // the layer learns where the test put it
    set_host_hook([](HostStep now, const char*) { return now == HostStep::CURRENT_DIR ? EACCES : 0; });
    const std::string refused = walk("*.dat", "tree");
    EXPECT_EQ(refused, named);

    set_host_hook([this](HostStep now, const char*) {
        std::error_code gone;
        if (now == HostStep::READ_DIR && std::filesystem::equivalent(".", root_ / "tree/gone", gone)) {
            std::filesystem::remove(root_ / "tree/gone");
        }
        return 0;
    });
    const std::string removed = walk("*.dat", "tree");
    EXPECT_NE(removed.find("read failed. " + dos("tree/gone") + "\\ defective?\r\n"),
              std::string::npos) << removed;
}

} // namespace
