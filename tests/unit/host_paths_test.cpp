// Paths of drive C: on the POSIX host: full paths, translation with
// case-blind lookup, and the current drive and directory.
#include "fs/posix/posix_host.h"
#include "host_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using host_test::ScratchDir;

struct FullPathCase {
    const char* text;
    const char* full; // nullptr: no full form
    const char* cwd = "/home/ann";
};

const FullPathCase FULL_PATH_CASES[] = {
    {"*.txt", "C:\\home\\ann\\*.txt"},
    {"sub\\", "C:\\home\\ann\\sub\\"},
    {".", "C:\\home\\ann"},
    {"\\", "C:\\"},
    {"..\\x", "C:\\home\\x"},
    {"..\\..\\..\\..\\y", "C:\\y"},
    {"C:", "C:\\home\\ann"},
    {"C:rel", "C:\\home\\ann\\rel"},
    {"c:\\Tmp\\A*.C", "C:\\Tmp\\A*.C"},
    {"/usr//lib/", "C:\\usr\\lib\\"},
    {"a\\.\\b\\..\\c?", "C:\\home\\ann\\a\\c?"},
    {"D:\\x", nullptr},
    {"1:x", nullptr},
    {"", nullptr},
    // Against a directory known only from where the run started.
    {"*.txt", ".\\sub\\*.txt", "./sub"},
    {"..\\x\\", ".\\x\\", "./sub"},
    {".", ".\\", "."},
    {"..\\y", nullptr, "."},
    {"\\abs", "C:\\abs", "."},
};

TEST(HostPaths, FullPathTextTable)
{
    for (const FullPathCase& c : FULL_PATH_CASES) {
        const auto full = full_path_text(c.text, c.cwd);
        if (c.full == nullptr) {
            EXPECT_FALSE(full.has_value()) << c.text;
        } else {
            EXPECT_EQ(full.value_or("<none>"), c.full) << c.text;
        }
    }
}

TEST(HostPaths, FullPathMustFitAPathBuffer)
{
    const std::string fits = "\\" + std::string(256, 'a'); // "C:\" + 256 = 259
    EXPECT_TRUE(full_path_text(fits, "/").has_value());
    EXPECT_FALSE(full_path_text(fits + "a", "/").has_value());
}

TEST_F(ScratchDir, FullPathUsesTheCurrentDirectoryOrGivesTheTextBack)
{
    std::filesystem::current_path(root_);
    EXPECT_STREQ(host::full_path("*.txt"), dos("*.txt").c_str());
    const char* other_drive = "D:\\x";
    EXPECT_EQ(host::full_path(other_drive), other_drive);
    const char* empty = "";
    EXPECT_EQ(host::full_path(empty), empty);
}

TEST(HostPaths, CopyFullPathTerminatesAndPads)
{
    PathText destination;
    destination.fill('x');
    copy_full_path(destination, "\\");
    EXPECT_STREQ(destination.data(), "C:\\");
    EXPECT_EQ(std::count(destination.begin(), destination.end(), '\0'), PATH_ROOM - 3);

    const std::string too_long(300, 'z'); // no full form: the text itself, cut
    copy_full_path(destination, too_long.c_str());
    EXPECT_EQ(std::strlen(destination.data()), PATH_ROOM - 1);
}

TEST_F(ScratchDir, CurrentDirectoryInDosForm)
{
    std::filesystem::current_path(root_);
    auto here = host::get_current_dir();
    ASSERT_NE(here, nullptr);
    EXPECT_EQ(std::string(here->data()), dos());

    std::filesystem::current_path("/");
    here = host::get_current_dir();
    ASSERT_NE(here, nullptr);
    EXPECT_STREQ(here->data(), "C:\\");
}

TEST_F(ScratchDir, CurrentDirectoryTooLongForAPathBufferGivesNothing)
{
    const std::string part(100, 'd');
    make_dir(part + "/" + part + "/" + part);
    std::filesystem::current_path(root_ / part / part / part);
    EXPECT_EQ(host::get_current_dir(), nullptr);
}

TEST_F(ScratchDir, SetCurrentDirFindsComponentsCaseBlind)
{
    make_dir("Sub/inner");
    ASSERT_EQ(host::set_current_dir(dos("SUB\\INNER").c_str()), 0);
    EXPECT_EQ(std::filesystem::current_path(), root_ / "Sub" / "inner");
    ASSERT_EQ(host::set_current_dir(".."), 0);
    EXPECT_EQ(std::filesystem::current_path(), root_ / "Sub");
    EXPECT_EQ(host::set_current_dir("C:"), 0);
    EXPECT_EQ(std::filesystem::current_path(), root_ / "Sub");
}

TEST_F(ScratchDir, SetCurrentDirFailureLeavesTheDirectory)
{
    std::filesystem::current_path(root_);
    const char* failing[] = {"missing", "C:\\no\\such\\place", "D:\\", nullptr};
    for (const char* path : failing) {
        EXPECT_EQ(host::set_current_dir(path), -1) << (path ? path : "null");
        EXPECT_EQ(std::filesystem::current_path(), root_);
    }
}

// Below PATH_MAX no absolute path works, so each step must stay relative.
TEST_F(ScratchDir, SetCurrentDirWorksBelowPathMax)
{
    const std::string part(200, 'p');
    constexpr int depth = 25;
    std::filesystem::current_path(root_);
    ASSERT_NE(host::get_current_dir(), nullptr); // the layer knows where the descent starts
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(mkdir(part.c_str(), 0755), 0);
        ASSERT_EQ(host::set_current_dir(part.c_str()), 0) << level;
    }
    EXPECT_EQ(host::get_current_dir(), nullptr);
    EXPECT_STREQ(host::full_path("x"), "x");
    // An absolute text has a full form even where the current directory has none.
    EXPECT_STREQ(host::full_path("C:\\a\\..\\b\\*.c"), "C:\\b\\*.c");
    EXPECT_STREQ(host::full_path("\\"), "C:\\");
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(chdir(".."), 0);
        ASSERT_EQ(rmdir(part.c_str()), 0);
    }
    // Moved back up behind the layer's back: the path it followed down is stale.
    EXPECT_EQ(host::full_path_long("x"), dos("x"));
}

// Deeper than the host can name (past 4,096 characters): the full form comes
// from the path followed down, and the way back up is checked at every step.
TEST_F(ScratchDir, DeepDirectoriesAreNamedInFullAndLeftThroughTheirParents)
{
    const std::string part(200, 'q');
    constexpr int depth = 25;
    std::filesystem::current_path(root_);
    ASSERT_NE(host::get_current_dir(), nullptr);
    std::vector<DirectoryId> parents;
    std::string expected = dos();
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(mkdir(part.c_str(), 0755), 0);
        parents.push_back(host::current_dir_id().value());
        ASSERT_EQ(host::set_current_dir(part.c_str()), 0) << level;
        expected += "\\" + part;
    }
    EXPECT_EQ(host::full_path_long("*.c"), expected + "\\*.c");
    EXPECT_EQ(host::full_path_long("..\\x"),
              expected.substr(0, expected.size() - part.size() - 1) + "\\x");
    EXPECT_EQ(host::full_path_long("\\tmp"), "C:\\tmp");
    EXPECT_EQ(host::full_path_long("D:x"), std::nullopt);

    const DirectoryId here = host::current_dir_id().value();
    EXPECT_FALSE(host::enter_parent_dir(here)) << "the parent is another directory";
    EXPECT_EQ(host::current_dir_id(), parents[depth - 1]) << "the step is made, then found wrong";
    ASSERT_EQ(rmdir(part.c_str()), 0);
    expected.resize(expected.size() - part.size() - 1);
    for (int level = depth - 1; level-- > 0;) {
        ASSERT_TRUE(host::enter_parent_dir(parents[level])) << level;
        ASSERT_EQ(rmdir(part.c_str()), 0);
        if (level == depth / 2) {
            expected.resize(dos().size() + level * (part.size() + 1));
            EXPECT_EQ(host::full_path_long("*.c"), expected + "\\*.c") << "named on the way up too";
        }
    }
    EXPECT_EQ(std::filesystem::current_path(), root_);
}

TEST_F(ScratchDir, DriveCIsTheOnlyDriveAndKeepsItsDirectory)
{
    std::filesystem::current_path(root_);
    EXPECT_EQ(host::get_drive(), DRIVE_C);
    host::set_drive(DRIVE_C);
    EXPECT_EQ(std::filesystem::current_path(), root_);
    host::set_drive(3);
    EXPECT_EQ(host::get_drive(), DRIVE_C);
    EXPECT_EQ(std::filesystem::current_path(), root_);
}

TEST_F(ScratchDir, HostPathResolvesMissingComponentsCaseBlind)
{
    make_dir("Alpha/beta");
    std::filesystem::current_path(root_);
    EXPECT_EQ(posix_form_any_case("ALPHA\\BETA"), "Alpha/beta");
    EXPECT_EQ(posix_form_any_case("alpha/Beta/"), "Alpha/beta");
    EXPECT_EQ(posix_form_any_case("C:alpha\\gamma"), "Alpha/gamma"); // the missing part as typed
    EXPECT_EQ(posix_form_any_case(dos("ALPHA")), (root_ / "Alpha").string());
    EXPECT_FALSE(posix_form_any_case("E:alpha").has_value());
}

} // namespace
