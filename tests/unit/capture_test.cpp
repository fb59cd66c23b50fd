// Capture of search results into entry records: the 8.3 fields, sizes,
// the shown time stamp and the totals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/entry_record.h"
#include "core/run_state.h"
#include "fs/fs_services.h"
#include "scan/capture.h"
#include "tests/unit/code_pages.h"

namespace {

// 2015-08-17 15:04:06 UTC as a file time.
constexpr FileTime AUG_17_2015 = (1439823846ULL + 11644473600ULL) * 10000000ULL;
constexpr FileTime ONE_SECOND = 10000000ULL;

FindResult result_for(const char* long_name, const char* alias = "",
                      std::uint32_t attributes = ATTR_ARCHIVE)
{
    FindResult result;
    std::strncpy(result.cFileName.data(), long_name, result.cFileName.size() - 1);
    std::strncpy(result.cAlternateFileName.data(), alias, result.cAlternateFileName.size() - 1);
    result.dwFileAttributes = attributes;
    result.ftLastWriteTime = AUG_17_2015;
    result.ftCreationTime = AUG_17_2015;
    return result;
}

std::string field(const char* data, std::size_t width)
{
    return {data, strnlen(data, width)};
}

struct ShortNameCase {
    const char* long_name;
    const char* alias;
    const char* short_name;
    const char* short_ext;
    Page page = Page::SINGLE;
};

class ShortNames : public ::testing::TestWithParam<ShortNameCase> {};

TEST_P(ShortNames, ComeFromTheAliasOrTheLongName)
{
    const auto& row = GetParam();
    const UsingPage page(row.page);
    EntryRecord record;
    capture_entry(record, result_for(row.long_name, row.alias));
    EXPECT_EQ(field(record.short_name.data(), SHORT_NAME_WIDTH), row.short_name);
    EXPECT_EQ(field(record.short_ext.data(), SHORT_EXT_WIDTH), row.short_ext);
    EXPECT_STREQ(record.long_name.data(), row.long_name);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShortNames,
    ::testing::Values(ShortNameCase{"README", "", "readme", ""},
                      ShortNameCase{"Program Files", "PROGRA~1", "progra~1", ""},
                      ShortNameCase{"longfilename.html", "LONGFI~1.HTM", "longfi~1", "htm"},
                      ShortNameCase{"abcdefgh.txt", "", "abcdefgh", "txt"},
                      ShortNameCase{"verylongname.text", "", "verylong", "tex"},
                      ShortNameCase{"archive.tar.gz", "", "archive", "tar"},
                      ShortNameCase{".profile", "", "", "pro"},
                      ShortNameCase{"a.b.c", "", "a", "b.c"},
                      ShortNameCase{"\xC9T\xC9.TXT", "", "\xC9t\xC9", "txt"},
                      ShortNameCase{"trailing.", "", "trailing", ""},
                      // Cut after the last whole character that fits 8 and 3 bytes.
                      ShortNameCase{"a.日本", "", "a", "日", Page::UTF8},
                      ShortNameCase{"a.éé", "", "a", "é", Page::UTF8},
                      ShortNameCase{"bad\xFF\xFE.TXT", "", "bad\xFF\xFE", "txt", Page::UTF8},
                      ShortNameCase{"\x83\x41\x83\x42\x83\x43\x83\x44.TXT", "",
                                    "\x83\x41\x83\x42\x83\x43\x83\x44", "txt", Page::DBCS},
                      ShortNameCase{"A\x83\x41\x83\x42\x83\x43\x83\x44", "",
                                    "a\x83\x41\x83\x42\x83\x43", "", Page::DBCS}));

TEST(Capture, CountsFilesAndDirectoriesIntoTheTotals)
{
    settings = ListSettings{};
    scan_totals = ScanTotals{};
    EntryRecord record;

    FindResult big = result_for("big.bin");
    big.nFileSizeHigh = 1; // 5,000,000,000 bytes
    big.nFileSizeLow = 705032704;
    capture_entry(record, big);
    EXPECT_EQ(record.size, 5000000000ULL);
    EXPECT_EQ(record.kind, KIND_FILE);

    FindResult dir = result_for("sub", "", ATTR_DIRECTORY | ATTR_HIDDEN | ATTR_REPARSE_POINT);
    dir.nFileSizeLow = 4096;
    capture_entry(record, dir);
    EXPECT_EQ(record.size, 0u);
    EXPECT_EQ(record.kind, KIND_DIR);
    EXPECT_EQ(record.attributes, ATTR_DIRECTORY | ATTR_HIDDEN);

    capture_entry(record, big);
    EXPECT_EQ(scan_totals.bytes, 10000000000ULL);
    EXPECT_EQ(scan_totals.directories, 1u);
    EXPECT_EQ(scan_totals.entries, 0u); // the pass counts entries

    // A total that would pass 2^64 - 1 stays there.
    for (const std::uint64_t start : {std::uint64_t{UINT64_MAX - 4'999'999'999ULL},
                                      std::uint64_t{UINT64_MAX - 1}, std::uint64_t{UINT64_MAX}}) {
        scan_totals.bytes = start;
        capture_entry(record, big);
        EXPECT_EQ(scan_totals.bytes, UINT64_MAX) << start;
    }
}

TEST(Capture, DirectoriesShowCreationTimeUntilSwitchedToLastWrite)
{
    setenv("TZ", "UTC", 1);
    tzset();
    settings = ListSettings{};
    FindResult dir = result_for("sub", "", ATTR_DIRECTORY);
    dir.ftCreationTime = AUG_17_2015 - 3600 * ONE_SECOND; // 14:04:06
    FindResult file = result_for("f.txt");
    file.ftCreationTime = dir.ftCreationTime;
    file.ftLastWriteTime = AUG_17_2015 + ONE_SECOND; // odd second 07 keeps 06

    constexpr std::uint16_t date = (35 << 9) | (8 << 5) | 17;
    constexpr std::uint16_t at_1504 = (15 << 11) | (4 << 5) | 3;
    constexpr std::uint16_t at_1404 = (14 << 11) | (4 << 5) | 3;
    EntryRecord record;
    capture_entry(record, dir);
    EXPECT_EQ(record.dos_date, date);
    EXPECT_EQ(record.dos_time, at_1404);
    capture_entry(record, file);
    EXPECT_EQ(record.dos_time, at_1504);

    settings.dir_time_alt = 0;
    capture_entry(record, dir);
    EXPECT_EQ(record.dos_time, at_1504);
    settings = ListSettings{};
}

TEST(LowercaseN, StopsAtTheLimitOrAfterTheFirstNul)
{
    char stopped[] = {'A', 'B', 'C', '\0', 'D', 'E'};
    lowercase_n(stopped, 8);
    EXPECT_EQ(std::string(stopped, 6), std::string("abc\0DE", 6));

    char limited[] = "ABCDE";
    lowercase_n(limited, 3);
    EXPECT_STREQ(limited, "abcDE");

    char high[] = "\xC0Z[@";
    lowercase_n(high, 9999);
    EXPECT_STREQ(high, "\xC0z[@");

    // The trail bytes of double-byte characters stay as they are, capital
    // letters or not; a lead byte the limit cuts from its trail is one byte.
    const UsingPage page(Page::DBCS);
    char double_byte[] = "\x83\x41Z\x83\x5A";
    lowercase_n(double_byte, 9999);
    EXPECT_STREQ(double_byte, "\x83\x41z\x83\x5A");
    char cut[] = "AB\x83\x41";
    lowercase_n(cut, 3);
    EXPECT_STREQ(cut, "ab\x83\x41");
}

} // namespace
