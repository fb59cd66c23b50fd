// Paths of drive C: on the POSIX host: full paths, translation with
// case-blind lookup, and the current drive and directory.
#include "host_fixture.h"
#include "posix_internals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using host_test::ScratchDir;

// host::full_path with the scratch root (/tmp/wendex-host-*) current: a
// full form not starting with "C:" is the scratch root's path joined with
// it. The rows with a cwd are against a directory known only from where the
// run started, which the host reaches only when it could not name that
// directory at the start of the run: they are asked of the full form itself.
struct FullPathCase {
    const char* text;
    const char* full;          // nullptr: no full form (the text itself comes back)
    const char* cwd = nullptr; // the scratch root
};

const FullPathCase FULL_PATH_CASES[] = {
    {"*.txt", "*.txt"},
    {"sub\\", "sub\\"},
    {".", ""},
    {"\\", "C:\\"},
    {"..\\x", "C:\\tmp\\x"},
    {"..\\..\\..\\..\\y", "C:\\y"},
    {"C:", ""},
    {"C:rel", "rel"},
    {"c:\\Tmp\\A*.C", "C:\\Tmp\\A*.C"},
    {"/usr//lib/", "C:\\usr\\lib\\"},
    {"a\\.\\b\\..\\c?", "a\\c?"},
    {"D:\\x", nullptr},
    {"1:x", nullptr},
    {"", nullptr},
    {"*.txt", ".\\sub\\*.txt", "./sub"},
    {"..\\x\\", ".\\x\\", "./sub"},
    {".", ".\\", "."},
    {"..\\y", nullptr, "."},
    {"\\abs", "C:\\abs", "."},
};

TEST_F(ScratchDir, FullPathUsesTheCurrentDirectoryOrGivesTheTextBack)
{
    std::filesystem::current_path(root_);
    for (const FullPathCase& c : FULL_PATH_CASES) {
        if (c.cwd != nullptr) {
            continue;
        }
        if (c.full == nullptr) {
            EXPECT_EQ(host::full_path(c.text), c.text) << c.text; // the same pointer
        } else {
            const bool absolute = std::string_view(c.full).starts_with("C:");
            EXPECT_EQ(host::full_path(c.text), absolute ? c.full : dos(c.full)) << c.text;
        }
    }
}

TEST(HostPaths, FullPathTextTable)
{
    for (const FullPathCase& c : FULL_PATH_CASES) {
        if (c.cwd != nullptr) {
            EXPECT_EQ(full_path_text(c.text, c.cwd).value_or("<none>"), c.full ? c.full : "<none>")
                << c.text;
        }
    }
}

TEST(HostPaths, FullPathMustFitAPathBuffer)
{
    const std::string fits = "\\" + std::string(256, 'a'); // "C:\" + 256 = 259
    EXPECT_EQ(host::full_path(fits.c_str()), "C:" + fits);
    const std::string too_long = fits + "a";
    EXPECT_EQ(host::full_path(too_long.c_str()), too_long.c_str());
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
    EXPECT_EQ(host::get_drive(), host_test::DRIVE_C);
    host::set_drive(host_test::DRIVE_C);
    EXPECT_EQ(std::filesystem::current_path(), root_);
    host::set_drive(3);
    EXPECT_EQ(host::get_drive(), host_test::DRIVE_C);
    EXPECT_EQ(std::filesystem::current_path(), root_);
}

TEST_F(ScratchDir, HostPathResolvesMissingComponentsCaseBlind)
{
    make_dir("Alpha/beta");
    for (const std::string& path :
         {std::string("ALPHA\\BETA"), std::string("alpha/Beta/"), dos("ALPHA\\beta")}) {
        std::filesystem::current_path(root_);
        EXPECT_EQ(host::set_current_dir(path.c_str()), 0) << path;
        EXPECT_EQ(std::filesystem::current_path(), root_ / "Alpha" / "beta") << path;
    }
    EXPECT_EQ(host::set_current_dir("E:alpha"), -1);
    // Past a missing component the rest stays as typed: no operation shows it.
    std::filesystem::current_path(root_);
    EXPECT_EQ(posix_form_any_case("C:alpha\\gamma"), "Alpha/gamma");
}

} // namespace
