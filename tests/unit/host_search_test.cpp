// The host layer's two directory searches over a scratch tree holding the
// kinds of entry a POSIX file system has: dot-files, a FIFO, links, a
// read-only file and a sparse file past 4 GiB.
#include "fs/host_hooks.h"
#include "host_fixture.h"
#include "posix_internals.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::uint64_t SPARSE_SIZE = 5'000'000'000;

class HostSearchTree : public host_test::ScratchDir {
protected:
    void SetUp() override
    {
        ScratchDir::SetUp();
        make_file("README", "read me");
        make_file("notes.txt", "notes");
        make_file(".hidden");
        make_file("ro.txt");
        std::filesystem::permissions(root_ / "ro.txt", std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::group_read);
        make_dir(".hdir");
        make_dir("sub");
        make_file("sub/a.c");
        make_file("sub/b.C");
        make_file("sub/c.h");
        ASSERT_EQ(mkfifo((root_ / "fifo").c_str(), 0644), 0);
        std::filesystem::create_symlink("notes.txt", root_ / "link");
        std::filesystem::create_symlink("missing", root_ / "dangling");
        std::filesystem::create_directory_symlink("sub", root_ / "dirlink");
        make_file("big");
        std::filesystem::resize_file(root_ / "big", SPARSE_SIZE);
    }

    // Every result of the unfiltered search, by name.
    std::map<std::string, FindResult> search_all(const std::string& pattern)
    {
        std::map<std::string, FindResult> found;
        FindResult result;
        const host::SearchHandle search = host::FindFirstFileA(pattern.c_str(), result);
        if (search == host::INVALID_SEARCH) {
            return found;
        }
        do {
            found[result.cFileName.data()] = result;
        } while (host::FindNextFileA(search, result));
        host::FindClose(search);
        return found;
    }

    std::set<std::string> names(const std::string& pattern)
    {
        std::set<std::string> found;
        for (const auto& [name, result] : search_all(pattern)) {
            found.insert(name);
        }
        return found;
    }

    std::set<std::string> accepted(const std::string& pattern, std::uint32_t requested)
    {
        std::set<std::string> found;
        FindBlock block;
        for (int rc = find_first(pattern.c_str(), block, requested); rc == 0;
             rc = find_next(block)) {
            found.insert(block.name.data());
        }
        find_close(block);
        return found;
    }
};

using Names = std::set<std::string>;

TEST_F(HostSearchTree, StarDeliversEveryEntryWithDotAndDotDot)
{
    const Names every{".",   "..",   "README", "notes.txt", ".hidden", "ro.txt", ".hdir",
                      "sub", "fifo", "link",   "dangling",  "dirlink", "big"};
    EXPECT_EQ(names(dos("*")), every);
    EXPECT_EQ(names(dos("*.*")), every);
}

TEST_F(HostSearchTree, AttributeWordsFollowTheEntryKind)
{
    const std::map<std::string, std::uint32_t> expected{
        {".", ATTR_DIRECTORY},
        {"README", ATTR_ARCHIVE},
        {".hidden", ATTR_ARCHIVE | ATTR_HIDDEN},
        {".hdir", ATTR_DIRECTORY | ATTR_HIDDEN},
        {"ro.txt", ATTR_ARCHIVE | ATTR_READONLY},
        {"fifo", ATTR_SYSTEM},
        {"link", ATTR_ARCHIVE | ATTR_REPARSE_POINT},
        {"dangling", ATTR_ARCHIVE | ATTR_REPARSE_POINT},
        {"dirlink", ATTR_DIRECTORY | ATTR_REPARSE_POINT},
    };
    const auto found = search_all(dos("*"));
    for (const auto& [name, word] : expected) {
        ASSERT_TRUE(found.contains(name)) << name;
        EXPECT_EQ(found.at(name).dwFileAttributes, word) << name;
        EXPECT_EQ(found.at(name).cAlternateFileName[0], '\0') << name;
    }
}

// POSIX time stamps and the file times the search gives for them.
constexpr FileTime UNIX_EPOCH = host_test::UNIX_EPOCH_FILE_TIME;
constexpr std::pair<timespec, FileTime> STAMP_CASES[] = {
    {{0, 0}, UNIX_EPOCH},
    {{1, 999'999'999}, UNIX_EPOCH + 19'999'999}, // sub-second kept
    {{1'550'000'000, 0}, 131'944'736'000'000'000},
    {{1'600'000'000, 0}, 132'444'736'000'000'000},
    {{1'700'000'000, 123'456'789}, 133'444'736'001'234'567},
};

TEST_F(HostSearchTree, SizesAndTimesComeFromTheEntry)
{
    // Last access at one stamp, last write at the next.
    for (std::size_t i = 0; i + 1 < std::size(STAMP_CASES); ++i) {
        const auto& [access, access_time] = STAMP_CASES[i];
        const auto& [write, write_time] = STAMP_CASES[i + 1];
        const timespec stamps[2] = {access, write};
        ASSERT_EQ(utimensat(AT_FDCWD, (root_ / "notes.txt").c_str(), stamps, 0), 0);
        const FindResult notes = search_all(dos("*")).at("notes.txt");
        EXPECT_EQ(notes.ftLastWriteTime, write_time) << write.tv_sec;
        EXPECT_EQ(notes.ftLastAccessTime, access_time) << access.tv_sec;
        EXPECT_NE(notes.ftCreationTime, 0U);
        EXPECT_EQ(notes.nFileSizeLow, 5U);
    }
    const FindResult big = search_all(dos("*")).at("big");
    EXPECT_EQ(big.nFileSizeHigh, SPARSE_SIZE >> 32);
    EXPECT_EQ(big.nFileSizeLow, static_cast<std::uint32_t>(SPARSE_SIZE));
    // A link is described by itself: its own size (the text it holds) and times.
    const timespec link_stamps[2] = {{1'500'000'000, 0}, {1'550'000'000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (root_ / "link").c_str(), link_stamps, AT_SYMLINK_NOFOLLOW), 0);
    const FindResult link = search_all(dos("*")).at("link");
    EXPECT_EQ(link.nFileSizeLow, std::string_view{"notes.txt"}.size());
    EXPECT_EQ(link.ftLastWriteTime, 131'944'736'000'000'000U);
}

TEST_F(HostSearchTree, PatternsSelectByNameCaseBlind)
{
    EXPECT_EQ(names(dos("*.TXT")), (Names{"notes.txt", "ro.txt"}));
    EXPECT_EQ(names(dos("read*.*")), (Names{"README"}));
    EXPECT_EQ(names(dos("SUB\\*.C")), (Names{"a.c", "b.C"}));
    EXPECT_EQ(names(dos("sub/?.h")), (Names{"c.h"}));
}

TEST_F(HostSearchTree, RelativePatternsSearchTheCurrentDirectory)
{
    std::filesystem::current_path(root_);
    EXPECT_EQ(names("sub\\*.c"), (Names{"a.c", "b.C"}));
    EXPECT_EQ(names("C:sub\\*.h"), (Names{"c.h"}));
    EXPECT_EQ(names("C:READ*"), (Names{"README"}));
}

TEST_F(HostSearchTree, NameWithoutWildcardIsLookedUpOnce)
{
    EXPECT_EQ(names(dos("notes.txt")), (Names{"notes.txt"}));
    EXPECT_EQ(names(dos("NOTES.TXT")), (Names{"notes.txt"}));
    EXPECT_EQ(names(dos("Sub")), (Names{"sub"}));
    EXPECT_EQ(names(dos("fifo")), (Names{"fifo"}));
    EXPECT_EQ(names(dos("sub\\..")), (Names{".."}));
    EXPECT_TRUE(names(dos("absent")).empty());
}

TEST_F(HostSearchTree, SearchesThatFindNothing)
{
    const std::string failing[] = {
        dos("sub\\"),               // empty last component
        dos("missing\\*"),          // no such directory
        dos("README\\*"),           // not a directory
        dos("fifo\\*"),             // a FIFO: never opened
        "D:\\*",                    // no such drive
        dos(std::string(260, '?')), // too long for a path buffer
        dos("*.zzz"),
    };
    for (const std::string& pattern : failing) {
        FindResult result;
        EXPECT_EQ(host::FindFirstFileA(pattern.c_str(), result), host::INVALID_SEARCH) << pattern;
        EXPECT_FALSE(host::read_failed()) << pattern << ": nothing there to read";
    }
    // A directory that is there but fails to open or to read: a read failure.
    for (const HostStep failing_step : {HostStep::OPEN_DIR, HostStep::READ_DIR}) {
        set_host_hook(
            [failing_step](HostStep step, const char*) { return step == failing_step ? EIO : 0; });
        FindResult result;
        EXPECT_EQ(host::FindFirstFileA(dos("sub\\*").c_str(), result), host::INVALID_SEARCH);
        EXPECT_TRUE(host::read_failed()) << static_cast<int>(failing_step);
        set_host_hook({});
    }
    FindResult result;
    EXPECT_FALSE(host::FindNextFileA(host::INVALID_SEARCH, result));
    EXPECT_FALSE(host::read_failed());
    host::FindClose(host::INVALID_SEARCH);
}

TEST_F(HostSearchTree, AcceptRuleHoldsBackHiddenSystemAndDirectories)
{
    const Names plain{"README", "notes.txt", "ro.txt", "link", "dangling", "big"};
    EXPECT_EQ(accepted(dos("*"), 0), plain);

    Names with_dirs = plain;
    with_dirs.insert({".", "..", "sub", ".hdir", "dirlink"});
    EXPECT_EQ(accepted(dos("*"), ATTR_DIRECTORY), with_dirs);

    Names with_hidden = plain;
    with_hidden.insert({".hidden", ".hdir"});
    EXPECT_EQ(accepted(dos("*"), ATTR_HIDDEN), with_hidden);

    Names with_system = plain;
    with_system.insert({"fifo"});
    EXPECT_EQ(accepted(dos("*"), ATTR_SYSTEM), with_system);
}

TEST_F(HostSearchTree, BlockCarriesTheDeliveredEntry)
{
    FindBlock block;
    ASSERT_EQ(find_first(dos("NOTES.TXT").c_str(), block, 0), 0);
    EXPECT_STREQ(block.name.data(), "notes.txt");
    EXPECT_EQ(block.attributes, ATTR_ARCHIVE);
    EXPECT_EQ(block.size_low, 5U);
    EXPECT_NE(block.dos_date, 0U);
    EXPECT_NE(find_next(block), 0);
    EXPECT_NE(find_next(block), 0);
    find_close(block);
    find_close(block);
}

TEST_F(HostSearchTree, StartingASearchEndsTheOneTheBlockHeld)
{
    FindBlock block;
    ASSERT_EQ(find_first(dos("*").c_str(), block, ATTR_DIRECTORY), 0);
    ASSERT_EQ(find_first(dos("sub\\*.h").c_str(), block, 0), 0); // no leak of the first
    EXPECT_STREQ(block.name.data(), "c.h");
    EXPECT_NE(find_next(block), 0);
    EXPECT_NE(find_first(dos("*.zzz").c_str(), block, 0), 0);
    find_close(block);
}

TEST_F(HostSearchTree, VolumeLabelIsDeliveredOnceThenTheEnd)
{
    FindBlock block;
    const std::string pattern = dos("*");
    ASSERT_EQ(find_first(pattern.c_str(), block, ATTR_VOLUME_LABEL | ATTR_DIRECTORY), 0);
    EXPECT_EQ(block.attributes, ATTR_VOLUME_LABEL);
    EXPECT_EQ(std::string(block.name.data()),
              host::volume_label(host_test::DRIVE_C).value_or("<none>"));
    EXPECT_NE(find_next(block), 0);
    find_close(block);

    EXPECT_NE(find_first("D:\\*", block, ATTR_VOLUME_LABEL), 0);
    find_close(block);
}

TEST_F(HostSearchTree, LabelLinksAreMatchedByDevice)
{
    make_dir("by-label");
    std::filesystem::create_symlink("/dev/null", root_ / "by-label" / "My\\x20Disk");
    std::filesystem::create_symlink(root_ / "README", root_ / "by-label" / "Plain");
    struct stat null_device {};
    ASSERT_EQ(stat("/dev/null", &null_device), 0);
    const std::string links = (root_ / "by-label").string();
    EXPECT_EQ(find_label(links.c_str(), null_device.st_rdev), "My Disk");
    EXPECT_EQ(find_label(links.c_str(), 12345), "");
    EXPECT_EQ(find_label((root_ / "absent").c_str(), null_device.st_rdev), "");
}

TEST_F(HostSearchTree, FreeBytesOfMissingPathsComeFromTheirParent)
{
    const auto here = host::disk_free_bytes(dos().c_str());
    ASSERT_TRUE(here.has_value());
    EXPECT_TRUE(host::disk_free_bytes(dos("missing\\deeper\\*.*").c_str()).has_value());
    EXPECT_TRUE(host::disk_free_bytes("C:\\").has_value());
    EXPECT_FALSE(host::disk_free_bytes("D:\\").has_value());
}

} // namespace
