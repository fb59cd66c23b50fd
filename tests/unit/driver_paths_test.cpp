// The driver's small path-text operations.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "cli/path_text.h"

namespace {

struct StripCase {
    std::string path;
    int result;
    std::string after;
};

class StripBackslash : public ::testing::TestWithParam<StripCase> {};

TEST_P(StripBackslash, RemovesOneTrailingBackslashUnlessRoot)
{
    std::string text = GetParam().path;
    EXPECT_EQ(strip_backslash(text.data()), GetParam().result);
    EXPECT_EQ(std::string{text.c_str()}, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Paths, StripBackslash,
                         ::testing::Values(StripCase{"", 0, ""}, StripCase{"sub", 0, "sub"},
                                           StripCase{"sub\\", 1, "sub"},
                                           StripCase{"a\\b\\\\", 1, "a\\b\\"},
                                           StripCase{"\\", 1, "\\"}, StripCase{"c:\\", 1, "c:\\"},
                                           StripCase{"1:\\", 1, "1:\\"},
                                           StripCase{"c:\\x\\", 1, "c:\\x"},
                                           StripCase{"sub/", 0, "sub/"}));

TEST(AppendBounded, KeepsTheDestinationWithinItsRoom)
{
    std::array<char, 8> text{"abc"};
    EXPECT_EQ(append_bounded(text.data(), "de", text.size()), 5u);
    EXPECT_STREQ(text.data(), "abcde");
    EXPECT_EQ(append_bounded(text.data(), "fghij", text.size()), 7u);
    EXPECT_STREQ(text.data(), "abcdefg");
    EXPECT_EQ(append_bounded(text.data(), "x", text.size()), 7u);
    EXPECT_STREQ(text.data(), "abcdefg");
}

TEST(AddBackslash, AppendsToANewTextOnlyWhenThereIsRoom)
{
    std::string plain = "sub";
    char* added = add_backslash(plain.data());
    EXPECT_STREQ(added, "sub\\");
    EXPECT_EQ(plain, "sub");

    for (std::string same : {std::string{}, std::string{"sub\\"}}) {
        EXPECT_EQ(add_backslash(same.data()), same.data());
    }
    std::string longest(259, 'd');
    EXPECT_EQ(std::string{add_backslash(longest.data())}, longest);
    std::string almost(258, 'd');
    EXPECT_EQ(std::string{add_backslash(almost.data())}, almost + "\\");
}

TEST(ChangeDir, RefusesEveryDriveButC)
{
    EXPECT_EQ(change_dir(nullptr), 0);
    EXPECT_EQ(change_dir(""), 0);
    EXPECT_EQ(change_dir("c:"), 0);
    EXPECT_EQ(change_dir("C:"), 0);
    for (const char* other : {"d:", "D:\\", "1:abc", "\xE9:", "::"}) {
        EXPECT_NE(change_dir(other), 0) << other;
    }
}

TEST(TakeDrivePrefix, MovesTheMaskPastTheColon)
{
    std::string text = "c:sub\\*.c";
    char* start = text.data();
    EXPECT_EQ(take_drive_prefix(start), 0);
    EXPECT_STREQ(start, "sub\\*.c");

    std::string failing = "d:";
    start = failing.data();
    EXPECT_NE(take_drive_prefix(start), 0);
    EXPECT_STREQ(start, "");

    std::string none = "*.txt";
    start = none.data();
    EXPECT_EQ(take_drive_prefix(start), 0);
    EXPECT_EQ(start, none.data());
}

} // namespace
