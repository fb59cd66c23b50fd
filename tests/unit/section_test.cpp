// The section frame: when break, rule and header appear over single and
// recursive runs, the summary variants, and the volume label texts.
#include "report/section.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <string>

#include "core/entry_record.h"
#include "core/run_state.h"
#include "report/entry_line.h"
#include "scan/directory_pass.h"
#include "tests/unit/run_state.h"

namespace {

const std::string RULE = std::string(56, '-') + "\r\n";

class SectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fresh_run_state("C:\\WORK\\");
        settings.show_free = 0; // the free space varies: checked apart
    }

    static std::string header(const std::string& path)
    {
        return "directory of " + std::string(header_label()) + path + "\r\n";
    }

    // One directory's pass as the walk drives it: events, entries, summary.
    void pass(const std::string& path, std::uint32_t entries, bool recursive)
    {
        section_event(SEC_RESET);
        section_event(SEC_WANT_BREAK);
        if (recursive)
            section_event(SEC_WANT_RULE);
        set_section_path(path);
        scan_totals = {entries, 0, entries * 100ull};
        for (std::uint32_t i = 0; i < entries; ++i) {
            section_event(SEC_OPEN, &out);
            out.write("entry\n");
        }
        print_summary(out);
    }

    OutStream out;
};

TEST_F(SectionTest, SingleRunOpensOnceWithoutRule)
{
    pass("C:\\WORK\\", 3, false);
    EXPECT_EQ(out.text(), header("C:\\WORK\\") + "entry\r\nentry\r\nentry\r\n" +
                              "3 files, 0 directories, 300 bytes");
    EXPECT_EQ(out_column, 1);
    EXPECT_EQ(section_state.header_printed, 1);
    EXPECT_EQ(section_state.first_section_done, 1);
}

TEST_F(SectionTest, RecursiveRunRulesFromTheSecondOpenedSection)
{
    settings.header_when_empty = 0; // as a recursive run has it
    pass("C:\\WORK\\", 1, true);
    pass("C:\\WORK\\EMPTY\\", 0, true); // lists nothing: no trace at all
    pass("C:\\WORK\\SUB\\", 2, true);
    pass("C:\\WORK\\SUB\\DEEP\\", 1, true);
    EXPECT_EQ(out.text(),
              header("C:\\WORK\\") + "entry\r\n" + "1 files, 0 directories, 100 bytes\r\n" + RULE +
                  header("C:\\WORK\\SUB\\") + "entry\r\nentry\r\n" +
                  "2 files, 0 directories, 200 bytes\r\n" + RULE + header("C:\\WORK\\SUB\\DEEP\\") +
                  "entry\r\n" + "1 files, 0 directories, 100 bytes");
}

TEST_F(SectionTest, BareEndsTheOpenLineButPrintsNoFrame)
{
    settings.bare = 1;
    settings.header_when_empty = 0;
    settings.unadorned = 1;
    settings.wide = 1;
    section_event(SEC_RESET);
    section_event(SEC_WANT_BREAK);
    section_event(SEC_WANT_RULE);
    section_event(SEC_OPEN, &out);
    out.write("a   ");
    out_column = 4; // a wide row left open
    print_summary(out);
    section_event(SEC_RESET);
    section_event(SEC_WANT_BREAK);
    section_event(SEC_WANT_RULE);
    section_event(SEC_OPEN, &out);
    EXPECT_EQ(out.text(), "a   \r\n");
    EXPECT_EQ(out_column, 0);
    EXPECT_EQ(section_state.first_section_done, 1);
    EXPECT_EQ(section_state.want_rule, 0);
}

TEST_F(SectionTest, ResetKeepsFirstSectionDone)
{
    section_event(SEC_OPEN, &out);
    section_event(SEC_WANT_RULE);
    section_event(SEC_RESET);
    EXPECT_EQ(section_state.header_printed, 0);
    EXPECT_EQ(section_state.want_rule, 0);
    EXPECT_EQ(section_state.first_section_done, 1);
    section_event(SEC_WANT_RULE);
    section_event(SEC_OPEN, &out);
    section_event(SEC_OPEN, &out);
    EXPECT_EQ(out.text(), header("C:\\WORK\\") + RULE + header("C:\\WORK\\"));
}

struct SummaryCase {
    const char* title;
    int bare, summary_anyway, unadorned, wide, show_dirs;
    std::int32_t column_before;
    ScanTotals totals;
    std::string expected;
    std::int32_t column_after;
};

TEST_F(SectionTest, SummaryVariants)
{
    const ScanTotals three{3, 0, 3000};
    const ScanTotals mixed{7, 2, 1099511627776ull};
    const SummaryCase cases[] = {
        {"defaults", 0, 0, 0, 0, 1, 0, three, "3 files, 0 directories, 3,000 bytes", 1},
        {"show_dirs off", 0, 0, 0, 0, 0, 0, three, "3 files, 3,000 bytes", 1},
        {"directories and cut bytes", 0, 0, 0, 0, 1, 0, mixed,
         "5 files, 2 directories, 1,099,511,627.. bytes", 1},
        {"bare", 1, 0, 0, 0, 1, 0, three, "", 0},
        {"bare with summary_anyway", 1, 1, 0, 0, 1, 0, three, "3 files, 0 directories, 3,000 bytes",
         1},
        {"unadorned", 0, 0, 1, 0, 1, 9, three, "", 9},
        {"unadorned with summary_anyway", 0, 1, 1, 0, 1, 9, three,
         "3 files, 0 directories, 3,000 bytes", 1},
        {"wide ends the row first", 0, 0, 1, 1, 1, 20, three,
         "\r\n3 files, 0 directories, 3,000 bytes", 1},
        {"wide on an ended row", 0, 0, 1, 1, 1, 0, three, "3 files, 0 directories, 3,000 bytes", 1},
    };
    for (const auto& c : cases) {
        SetUp();
        settings.bare = c.bare;
        settings.summary_anyway = c.summary_anyway;
        settings.unadorned = c.unadorned;
        settings.wide = c.wide;
        settings.show_dirs = c.show_dirs;
        section_event(SEC_OPEN, &out);
        out.clear();
        out_column = c.column_before;
        scan_totals = c.totals;
        print_summary(out);
        EXPECT_EQ(out.text(), c.expected) << c.title;
        EXPECT_EQ(out_column, c.column_after) << c.title;
    }
}

TEST_F(SectionTest, EmptyDirectoryGetsItsFrameOnlyWhenAsked)
{
    print_summary(out);
    EXPECT_EQ(out.text(), header("C:\\WORK\\") + "0 files, 0 directories, 0 bytes");
    SetUp();
    out.clear();
    settings.header_when_empty = 0;
    print_summary(out);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(out_column, 0);
}

TEST_F(SectionTest, FreeSpaceEndsInTwoBlanksOrIsLeftOut)
{
    settings.show_free = 1;
    set_section_path("C:\\");
    scan_totals = {3, 0, 3000};
    section_event(SEC_OPEN, &out);
    out.clear();
    print_summary(out);
    const std::regex with_free(
        "3 files, 0 directories, 3,000 bytes(, [0-9][0-9,]*(\\.\\.)? bytes free  )?");
    EXPECT_TRUE(std::regex_match(out.text(), with_free)) << out.text();
    EXPECT_EQ(out_column, 1);
}

TEST_F(SectionTest, DropLabelDot)
{
    struct {
        const char* label;
        const char* expected;
    } const cases[] = {
        {"ABCDEFGH.IJK", "ABCDEFGHIJK"},
        {"AB.CD", "AB.CD"},
        {"ABCDEFGH.", "ABCDEFGH"},
        {"ABCDEFGH.I.J", "ABCDEFGHI.J"},
        {"ABCDEFGHI.J", "ABCDEFGHI.J"},
        {"ABCDEFG.HI", "ABCDEFG.HI"},
        {"NODOT", "NODOT"},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::array<char, 32> label{};
        std::memcpy(label.data(), c.label, std::strlen(c.label));
        drop_label_dot(label.data());
        EXPECT_STREQ(label.data(), c.expected) << c.label;
    }
}

TEST_F(SectionTest, HeaderLabelIsLowerCasedAndWhole)
{
    const std::string forty = "LONG LABEL OF FORTY CHARACTERS, \xC9T\xC9 1234";
    const std::string longest(255, 'L');
    struct {
        std::string label;
        std::string expected;
    } const cases[] = {
        {"", ""},
        {"DATA DISK", "(data disk) "},
        {forty, "(long label of forty characters, \xC9t\xC9 1234) "},
        {longest, "(" + std::string(255, 'l') + ") "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(header_label_for(c.label.c_str()), c.expected);
}

TEST_F(SectionTest, HeaderLabelFollowsVolumeLabel)
{
    const std::string label = volume_label();
    EXPECT_LT(label.size(), 256u);
    const std::string shown = header_label();
    EXPECT_EQ(shown, header_label_for(label.c_str()));
}

} // namespace
