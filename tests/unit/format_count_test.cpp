// Byte counts with comma groups and the ".." cut at the report's widths.
#include <gtest/gtest.h>

#include <string>

#include "report/format_count.h"

namespace {

struct CountRow {
    std::uint64_t value;
    std::uint32_t width;
    const char* text;
};

constexpr std::uint64_t LARGEST = 18446744073709551615u;

constexpr CountRow COUNT_ROWS[] = {
    {0, SIZE_COLUMN_WIDTH, "0"},
    {99, 2, "99"},
    {999, SIZE_COLUMN_WIDTH, "999"},
    {999, 2, ".."},
    {1000, SIZE_COLUMN_WIDTH, "1,000"},
    {123456, SIZE_COLUMN_WIDTH, "123,456"},
    {1234567, SIZE_COLUMN_WIDTH, "1,234,567"},
    {999999999, SIZE_COLUMN_WIDTH, "999,999,999"},
    {1000000000, SIZE_COLUMN_WIDTH, "1,000,000.."},
    {12345678901, SIZE_COLUMN_WIDTH, "12,345,67.."},
    {9876543210, SUMMARY_WIDTH, "9,876,543,210"},
    {999999999999, SUMMARY_WIDTH, "999,999,999,999"},
    {1099511627776, SUMMARY_WIDTH, "1,099,511,627.."},
    {LARGEST, SUMMARY_WIDTH, "18,446,744,07.."},
    {LARGEST, 26, "18,446,744,073,709,551,615"},
    {LARGEST, 25, "18,446,744,073,709,551,.."},
    {LARGEST, TOTAL_WIDTH, "18,446,744,073,709,551,615"},
};

TEST(FormatCount, GroupsAndCutsEveryRow)
{
    for (const CountRow& row : COUNT_ROWS) {
        SCOPED_TRACE(std::to_string(row.value) + " at " + std::to_string(row.width));
        const std::string text = format_count(row.value, row.width);
        EXPECT_EQ(text, row.text);
        EXPECT_LE(text.size(), row.width);
    }
}

TEST(FormatCount, TheNextCallOverwritesTheSameBuffer)
{
    const char* first = format_count(LARGEST, TOTAL_WIDTH);
    const char* second = format_count(5, SIZE_COLUMN_WIDTH);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "5");
}

} // namespace
