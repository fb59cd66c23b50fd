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

// host::full_path with the scratch root current. In the full forms, {HERE}
// stands for the scratch root's and {UP} for its parent's; in the texts,
// {ABOVE} for as many ".." as the scratch root has levels.
struct FullPathCase {
    const char* text;
    const char* full; // nullptr: no full form, and the text itself comes back
};

const FullPathCase FULL_PATH_CASES[] = {
    {"*.txt", "{HERE}\\*.txt"},
    {"sub\\", "{HERE}\\sub\\"},
    {".", "{HERE}"},
    {"\\", "C:\\"},
    {"..\\x", "{UP}\\x"},
    {"{ABOVE}..\\..\\y", "C:\\y"},
    {"C:", "{HERE}"},
    {"C:rel", "{HERE}\\rel"},
    {"c:\\Tmp\\A*.C", "C:\\Tmp\\A*.C"},
    {"/usr//lib/", "C:\\usr\\lib\\"},
    {"a\\.\\b\\..\\c?", "{HERE}\\a\\c?"},
    {"D:\\x", nullptr},
    {"1:x", nullptr},
    {"", nullptr},
};

void replace(std::string& text, const std::string& from, const std::string& to)
{
    if (const std::size_t at = text.find(from); at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
}

TEST_F(ScratchDir, FullPathTable)
{
    std::filesystem::current_path(root_);
    std::string above;
    for (const auto& level : root_) {
        above += level == root_.root_path() ? "" : "..\\";
    }
    for (const FullPathCase& c : FULL_PATH_CASES) {
        std::string text = c.text;
        replace(text, "{ABOVE}", above);
        const char* full = host::full_path(text.c_str());
        if (c.full == nullptr) {
            EXPECT_EQ(full, text.c_str()) << text;
            continue;
        }
        std::string expected = c.full;
        replace(expected, "{HERE}", dos());
        replace(expected, "{UP}", "C:" + root_.parent_path().string());
        std::replace(expected.begin(), expected.end(), '/', '\\');
        EXPECT_STREQ(full, expected.c_str()) << text;
    }
}

// Against a directory known only from where the run started, which the host
// reaches only when it could not name that directory at the start of a run:
// asked of the full form itself.
struct StartCase {
    const char* text;
    const char* full; // nullptr: no full form
    const char* cwd;
};

const StartCase FROM_START_CASES[] = {
    {"*.txt", ".\\sub\\*.txt", "./sub"},
    {"..\\x\\", ".\\x\\", "./sub"},
    {".", ".\\", "."},
    {"..\\y", nullptr, "."},
    {"\\abs", "C:\\abs", "."},
};

TEST(HostPaths, FullPathFromTheRunsStartTable)
{
    for (const StartCase& c : FROM_START_CASES) {
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
    const std::pair<std::string, std::filesystem::path> paths[] = {
        {"ALPHA\\BETA", root_ / "Alpha" / "beta"},
        {"alpha/Beta/", root_ / "Alpha" / "beta"},
        {dos("ALPHA"), root_ / "Alpha"},
    };
    for (const auto& [path, reached] : paths) {
        std::filesystem::current_path(root_);
        ASSERT_EQ(host::set_current_dir(path.c_str()), 0) << path;
        EXPECT_EQ(std::filesystem::current_path(), reached) << path;
    }
    std::filesystem::current_path(root_);
    EXPECT_EQ(host::set_current_dir("E:alpha"), -1);
    // Past a missing component the rest stays as typed: every host operation
    // fails on such a path, so the path it asks for is taken from the lookup.
    EXPECT_EQ(posix_form_any_case("C:alpha\\gamma"), "Alpha/gamma");
}

} // namespace
