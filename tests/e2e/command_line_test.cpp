// The command line: switches that print the usage text and end with code 1,
// drive prefixes that name no drive, /total, and switches whose later letters
// or order change what they do.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

struct UsageRow {
    std::string name;
    std::vector<std::string> args;
};

void PrintTo(const UsageRow& row, std::ostream* os)
{
    *os << row.name;
}

class UsageTest : public ::testing::TestWithParam<UsageRow> {};

TEST_P(UsageTest, PrintsUsageTextAndExitsWithOne)
{
    const auto& args = GetParam().args;
    const bool high_bytes = std::any_of(args.begin(), args.end(), [](const std::string& arg) {
        return std::any_of(arg.begin(), arg.end(), [](char c) { return (c & 0x80) != 0; });
    });
    if (on_wine() && high_bytes) {
        GTEST_SKIP() << "under Wine: a Windows program gets its command line as UTF-16, and "
                        "Wine converts a byte that is not UTF-8 to no byte of its own";
    }
    const RunResult result = run_wendex(GetParam().args, standard_tree().root());
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(is_usage_text(result.out)) << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    Refused, UsageTest,
    ::testing::Values(
        UsageRow{"h", {"/h"}}, UsageRow{"dash", {"/-"}}, UsageRow{"question_mark", {"/?"}},
        UsageRow{"total_in_upper_case", {"/TOTAL"}}, UsageRow{"upper_case_a", {"/A"}},
        UsageRow{"digit", {"/1"}}, UsageRow{"o", {"/o"}}, UsageRow{"r", {"/r"}},
        UsageRow{"v", {"/v"}}, UsageRow{"byte_0x80", {"/\x80"}}, UsageRow{"byte_0xff", {"/\xff"}},
        UsageRow{"attribute_x", {"/:rx"}}, UsageRow{"attribute_upper_case", {"/:A"}},
        UsageRow{"attribute_dash", {"/:-"}}, UsageRow{"attribute_blank", {"/: "}},
        UsageRow{"two_masks", {"a", "b"}}, UsageRow{"two_masks_around_switch", {"a", "/n", "b"}},
        UsageRow{"two_empty_masks", {"", ""}}, UsageRow{"after_good_switches", {"/b", "/n", "/h"}},
        UsageRow{"mask_of_260", {std::string(260, 'a')}},
        UsageRow{"mask_of_5000", {std::string(5000, 'a')}}),
    RowName{});

const std::string TXT_LINES = " a        txt  1-02-21 10:00a         100 a    a.txt\n"
                              " zeta     txt 12-31-19 11:59p   1,234,567 a    Zeta.TXT\n";
const std::string TXT_LISTING =
    "{HDR}\n" + TXT_LINES +
    "2 files, 0 directories, 1,234,667 bytes\ntotal byte count: 1,234,667\n";

INSTANTIATE_TEST_SUITE_P(
    Drives, StandardTreeTest,
    ::testing::Values(
        Row{"other_drive", {"q:"}, "Couldn't change drives.", 1},
        Row{"other_drive_with_mask", {"Q:\\*.txt", "/b"}, "Couldn't change drives.", 1},
        Row{"digit_drive", {"1:abc"}, "Couldn't change drives.", 1}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    Total, StandardTreeTest,
    ::testing::Values(
        Row{"total_line_alone", {"/total"}, "total byte count: 5,001,237,854\n"},
        Row{"total_with_style_switches",
            {"/b", "/total", "/w"},
            "total byte count: 5,001,237,854\n"},
        Row{"total_of_mask", {"*.txt", "/total"}, "total byte count: 1,234,667\n"},
        Row{"total_of_nothing", {"*.zzz", "/total"}, "total byte count: 0\n"},
        Row{"totals_is_24_hour_time",
            {"/totals", "*.txt", "/z-"},
            "{HDR}\n"
            " a        txt  1-02-21 10:00          100 a    a.txt\n"
            " zeta     txt 12-31-19 23:59    1,234,567 a    Zeta.TXT\n"
            "2 files, 0 directories, 1,234,667 bytes\ntotal byte count: 1,234,667\n"}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(
    SwitchForms, StandardTreeTest,
    ::testing::Values(
        Row{"slash_alone_ignored", {"/", "*.txt", "/z-"}, TXT_LISTING},
        Row{"mask_after_switches", {"/n", "*.txt", "/z-"}, TXT_LISTING},
        Row{"z_dash_then_z",
            {"*.txt", "/z-", "/z"},
            "{HDR}\n" + TXT_LINES +
                "2 files, 0 directories, 1,234,667 bytes, {FREE} bytes free  \n"
                "total byte count: 1,234,667\n"},
        Row{"a_before_b_has_no_effect",
            {"/a", "/b", "*.t*"},
            "archive.tar.gz\nverylongname.text\nfuture.tmp\na.txt\nZeta.TXT\n\n"
            "total byte count: 1,234,689\n"},
        Row{"ab_shows_directories_only_as_a",
            {"/b", "/ab"},
            standard_bare_dirs() + standard_bare_files() + "\ntotal byte count: 5,001,237,854\n"},
        Row{"g_dash_is_g",
            {"/aa", "/g-", "/z-"},
            "{HDR}\n" + standard_dir_lines() +
                "0 files, 3 directories, 0 bytes\ntotal byte count: 0\n"},
        Row{"c_dash_is_adorned_without_directories",
            {"/c-", "*.txt", "/z-"},
            "{HDR}\n" + TXT_LINES + "2 files, 1,234,667 bytes\ntotal byte count: 1,234,667\n"},
        Row{"dash_g_is_a_mask",
            {"-g", "/z-"},
            "{HDR}\n0 files, 0 directories, 0 bytes\ntotal byte count: 0\n"}),
    RowName{});

// The entry buffer (about 14 MB) cannot be had in 12 MB of address space.
// Sanitizers reserve far more than that, so the row runs on plain builds only.
TEST(EntryBuffer, AllocationFailureEndsWithSeven)
{
#ifdef WENDEX_SANITIZED
    GTEST_SKIP() << "a sanitized binary cannot start in 12 MB";
#else
    if (on_wine()) {
        GTEST_SKIP() << "under Wine: its loader alone needs more than 12 MB of address space";
    }
    constexpr std::uint64_t small_address_space = 12ULL << 20;
    const RunResult result =
        run_wendex({"/b"}, standard_tree().root(), {.address_space = small_address_space});
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exit_code, 7);
    EXPECT_EQ(result.out, "Couldn't malloc().");
#endif
}

} // namespace
} // namespace e2e
