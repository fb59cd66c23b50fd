// Entry lines: the adorned columns, true names against the listed directory,
// plain and wide output and the running column.
#include "report/entry_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/run_state.h"
#include "fs/fs_services.h"
#include "report/column_texts.h"
#include "report/section.h"
#include "scan/directory_pass.h"
#include "tests/unit/code_pages.h"
#include "tests/unit/run_state.h"

namespace {

// "·" (the blank of the examples) becomes ' ', "\n" becomes "\r\n".
std::string shown(std::string text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\xC2\xB7") == 0) {
            result += ' ';
            ++i;
        } else if (text[i] == '\n') {
            result += "\r\n";
        } else {
            result += text[i];
        }
    }
    return result;
}

constexpr std::uint16_t dos_date(unsigned year, unsigned month, unsigned day)
{
    return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

constexpr std::uint16_t dos_time(unsigned hour, unsigned minute)
{
    return static_cast<std::uint16_t>((hour << 11) | (minute << 5));
}

constexpr std::uint16_t SHOWN_TIME = dos_time(15, 4);
constexpr std::uint16_t SHOWN_DATE = dos_date(2015, 8, 17);

// A file as most lines show it: archive, 512 bytes, written 8-17-15 at 3:04p.
RecordFields listed(std::string_view name, std::string_view ext, std::string_view long_name)
{
    return {name, ext, long_name, KIND_FILE, ATTR_ARCHIVE, 512, SHOWN_TIME, SHOWN_DATE};
}

class EntryLineTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_run_state(); }

    std::string emit(const RecordFields& entry)
    {
        emit_entry(out, make_record(entry));
        return out.text();
    }

    OutStream out;
};

const RecordFields README = listed("readme", "txt", "ReadMe.txt");
const RecordFields DOCS{"docs", "", "Docs", KIND_DIR, 0, 0, dos_time(9, 30), SHOWN_DATE};

struct AdornedCase {
    const char* title;
    RecordFields entry;
    int dot_style;
    int no_ext;
    const char* expected;
    Page page = Page::SINGLE;
};

TEST_F(EntryLineTest, AdornedLinesFillTheirColumns)
{
    const RecordFields zero_stamp{"readme", "txt", "ReadMe.txt", KIND_FILE, ATTR_ARCHIVE, 512};
    RecordFields big = listed("big", "iso", "big.iso");
    big.size = 1234567890;
    RecordFields widest = big;
    widest.size = 999999999;
    RecordFields inner_zeros = big;
    inner_zeros.size = 1000005;
    const RecordFields full{"longname", "htm", "LongName.html", KIND_FILE,
                            0,          0,     SHOWN_TIME,      SHOWN_DATE};
    const RecordFields hidden{"secret", "", "secret", KIND_FILE, 0x27, 1, SHOWN_TIME, SHOWN_DATE};
    const RecordFields read_only{"ro",
                                 "",
                                 "ro",
                                 KIND_FILE,
                                 ATTR_READONLY | ATTR_SYSTEM,
                                 1,
                                 dos_time(0, 1),
                                 dos_date(2000, 1, 2)};
    const RecordFields year_2080{"late", "", "late",          KIND_FILE,
                                 0,      0,  dos_time(12, 0), dos_date(2080, 12, 31)};
    const AdornedCase cases[] = {
        {"plain", README, 0, 0, "·readme···txt··8-17-15··3:04p·········512·a····ReadMe.txt\n"},
        {"dot style", README, 1, 0, "·readme.txt····8-17-15··3:04p·········512·a····ReadMe.txt\n"},
        {"directory", DOCS, 0, 0, "·docs··········8-17-15··9:30a·(directory)······Docs\n"},
        {"directory, dot style", DOCS, 1, 0,
         "·docs··········8-17-15··9:30a·(directory)······Docs\n"},
        {"no_ext", README, 0, 1, "·readme········8-17-15··3:04p·········512·a····ReadMe.txt\n"},
        {"no_ext, dot style", README, 1, 1,
         "·readme········8-17-15··3:04p·········512·a····ReadMe.txt\n"},
        {"zero stamp", zero_stamp, 0, 0,
         "·readme···txt··0-00-80················512·a····ReadMe.txt\n"},
        {"size cut at 11", big, 0, 0, "·big······iso··8-17-15··3:04p·1,234,567..·a····big.iso\n"},
        {"size filling 11", widest, 0, 0,
         "·big······iso··8-17-15··3:04p·999,999,999·a····big.iso\n"},
        {"groups of zeros", inner_zeros, 0, 0,
         "·big······iso··8-17-15··3:04p···1,000,005·a····big.iso\n"},
        {"full 8.3 fields", full, 0, 0,
         "·longname·htm··8-17-15··3:04p···········0······LongName.html\n"},
        {"full 8.3 fields, dot style", full, 1, 0,
         "·longname.htm··8-17-15··3:04p···········0······LongName.html\n"},
        {"hidden wins", hidden, 0, 0, "*secret········8-17-15··3:04p···········1·arhs·secret\n"},
        {"read-only", read_only, 0, 0, "+ro············1-02-00··0:01a···········1··r·s·ro\n"},
        {"year 2080", year_2080, 0, 0, "·late·········12-31-80·12:00p···········0······late\n"},
        // Columns as a terminal shows them: a combining mark takes none.
        {"combining mark", listed("cafe\xCC\x81", "md", "cafe\xCC\x81.md"), 0, 0,
         "·cafe\xCC\x81·····md···8-17-15··3:04p·········512·a····cafe\xCC\x81.md\n", Page::UTF8},
    };
    for (const auto& c : cases) {
        SetUp();
        const UsingPage page(c.page);
        out.clear();
        settings.dot_style = c.dot_style;
        settings.no_ext = c.no_ext;
        settings.line_prefix = "never";
        out_column = 9;
        EXPECT_EQ(emit(c.entry), shown(c.expected)) << c.title;
        EXPECT_EQ(out_column, 9) << c.title;
    }
}

TEST_F(EntryLineTest, NoExtLeavesTheCallersRecord)
{
    settings.no_ext = 1;
    const EntryRecord record = make_record(README);
    emit_entry(out, record);
    EXPECT_EQ(std::string(record.short_ext.data(), 3), "txt");
}

TEST_F(EntryLineTest, MarksAndAttributeLetters)
{
    struct {
        std::uint8_t attributes;
        char mark;
        const char* letters;
    } const cases[] = {
        {0x00, ' ', "    "}, {0x01, '+', " r  "}, {0x02, '*', "  h "}, {0x03, '*', " rh "},
        {0x04, ' ', "   s"}, {0x20, ' ', "a   "}, {0x37, '*', "arhs"}, {0xD8, ' ', "    "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(entry_mark(c.attributes), c.mark) << int(c.attributes);
        EXPECT_STREQ(attr_letters(c.attributes), c.letters) << int(c.attributes);
    }
}

TEST_F(EntryLineTest, FormatTime)
{
    struct {
        std::uint16_t time;
        const char* twelve;
        const char* twenty_four;
    } const cases[] = {
        {0, "      ", "      "},
        {1, " 0:00a", " 0:00 "}, // two seconds past midnight is not blank
        {dos_time(0, 5), " 0:05a", " 0:05 "},
        {dos_time(1, 5), " 1:05a", " 1:05 "},
        {dos_time(11, 5), "11:05a", "11:05 "},
        {dos_time(12, 5), "12:05p", "12:05 "},
        {dos_time(13, 5), " 1:05p", "13:05 "},
        {dos_time(23, 59), "11:59p", "23:59 "},
    };
    for (const auto& c : cases) {
        settings.time_24h = 0;
        EXPECT_STREQ(format_time(c.time), c.twelve) << c.time;
        settings.time_24h = 1;
        EXPECT_STREQ(format_time(c.time), c.twenty_four) << c.time;
    }
}

TEST_F(EntryLineTest, PlainLinesCarryPrefixBracketsAndTrail)
{
    settings.unadorned = 1;
    settings.no_ext = 1; // the long name keeps its extension
    settings.line_prefix = "copy ";
    settings.line_trail = " d:\\";
    EXPECT_EQ(emit(DOCS), "copy [Docs] d:\\\r\n");
    EXPECT_EQ(emit(README), "copy [Docs] d:\\\r\ncopy ReadMe.txt d:\\\r\n");
    EXPECT_EQ(out_column, 15 + 19);
}

TEST_F(EntryLineTest, LongPrefixAndTrailAreWrittenWhole)
{
    const std::string prefix(5000, 'p');
    const std::string trail(5000, 't');
    settings.line_prefix = prefix.c_str();
    settings.line_trail = trail.c_str();
    settings.unadorned = 1;
    EXPECT_EQ(emit(README), prefix + "ReadMe.txt" + trail + "\r\n");
    out.clear();
    settings.true_name = 1;
    set_section_path("C:\\WORK\\");
    EXPECT_EQ(emit(README), prefix + "c:\\work\\readme.txt" + trail + "\r\n");
}

TEST_F(EntryLineTest, PlainLinesOweAnEmptyLineToEndLine)
{
    settings.unadorned = 1;
    emit(listed("a", "", "a"));
    emit(listed("b", "", "b"));
    end_line(out);
    EXPECT_EQ(out.text(), "a\r\nb\r\n\r\n");
    EXPECT_EQ(out_column, 0);
    end_line(out);
    EXPECT_EQ(out.text(), "a\r\nb\r\n\r\n");
}

struct WideCase {
    const char* title;
    std::int32_t start_column;
    std::vector<std::string> names;
    std::string expected;
    std::int32_t end_column;
};

TEST_F(EntryLineTest, WideCells)
{
    const std::string gap5(11, ' ');
    const std::string gap13(19, ' ');
    const std::string long_name(70, 'x');
    const WideCase cases[] = {
        {"five 5-char texts and a sixth",
         0,
         {"aaaaa", "bbbbb", "ccccc", "ddddd", "eeeee", "fffff"},
         "aaaaa" + gap5 + "bbbbb" + gap5 + "ccccc" + gap5 + "ddddd" + gap5 + "eeeee\r\n" + "fffff" +
             gap5,
         16},
        {"13-char texts take two cells",
         0,
         {"mmmmmmmmmmmmm", "nnnnnnnnnnnnn", "ooooooooooooo"},
         "mmmmmmmmmmmmm" + gap13 + "nnnnnnnnnnnnn" + gap13 + "ooooooooooooo\r\n",
         0},
        {"12-char text fills one cell", 0, {"twelve_chars"}, "twelve_chars    ", 16},
        {"14-char text at column 48", 48, {"fourteen_chars"}, "fourteen_chars   \r\n", 0},
        {"over 64 on an empty line", 0, {long_name}, long_name + "\r\n", 0},
    };
    for (const auto& c : cases) {
        SetUp();
        out.clear();
        settings.unadorned = 1;
        settings.wide = 1;
        out_column = c.start_column;
        for (const auto& name : c.names)
            emit(listed("x", "", name));
        EXPECT_EQ(out.text(), c.expected) << c.title;
        EXPECT_EQ(out_column, c.end_column) << c.title;
    }
}

TEST_F(EntryLineTest, WideDirectoryCellCountsItsBrackets)
{
    settings.unadorned = 1;
    settings.wide = 1;
    RecordFields directory = listed("x", "", "twelve_chars");
    directory.kind = KIND_DIR; // 14 with brackets: two cells
    emit(directory);
    EXPECT_EQ(out.text(), "[twelve_chars]" + std::string(18, ' '));
    EXPECT_EQ(out_column, 32);
}

TEST_F(EntryLineTest, TrueNameIgnoresWideAndTheColumn)
{
    settings.unadorned = 1;
    settings.true_name = 1;
    settings.wide = 1;
    out_column = 7;
    set_section_path("C:\\WORK\\");
    emit(README);
    emit(DOCS);
    EXPECT_EQ(out.text(), "c:\\work\\readme.txt\r\n[c:\\work\\docs]\r\n");
    EXPECT_EQ(out_column, 7);
}

struct TrueNameCase {
    const char* title;
    std::string directory;
    RecordFields entry;
    int no_drive;
    int no_ext;
    std::string expected;
};

TEST_F(EntryLineTest, TrueNamesResolveAgainstTheListedDirectory)
{
    const std::string too_long = "C:\\" + std::string(250, 'D') + "\\";
    const TrueNameCase cases[] = {
        {"file", "C:\\work\\sub\\", README, 0, 0, "c:\\work\\sub\\readme.txt"},
        {"no drive", "C:\\work\\sub\\", README, 1, 0, "\\work\\sub\\readme.txt"},
        {"upper case folded", "C:\\WORK\\Sub\\", README, 0, 0, "c:\\work\\sub\\readme.txt"},
        {"no extension", "C:\\work\\", listed("makefile", "", "Makefile"), 0, 0,
         "c:\\work\\makefile"},
        {"no_ext", "C:\\work\\", README, 0, 1, "c:\\work\\readme"},
        {"full 8.3 fields", "C:\\work\\", listed("longname", "htm", "LongName.html"), 0, 0,
         "c:\\work\\longname.htm"},
        {"directory", "C:\\work\\", DOCS, 0, 0, "[c:\\work\\docs]"},
        {"root", "C:\\", README, 1, 0, "\\readme.txt"},
        {"high bytes kept", "C:\\CAF\xC9\\", listed("r\xE9sum\xC9", "txt", "x"), 0, 0,
         "c:\\caf\xC9\\r\xE9sum\xC9.txt"},
        // Joined as text: nothing inside a name is resolved.
        {"dots and separators in the name", "C:\\work\\", listed("x\\", ".\\.", "x\\..\\..\\etc"),
         0, 0, "c:\\work\\x\\..\\."},
        {"a name of a separator and dots", "C:\\work\\", listed("\\", ".", "\\.."), 0, 0,
         "c:\\work\\\\.."},
        {"past a path buffer: in full", too_long, README, 0, 0,
         "c:\\" + std::string(250, 'd') + "\\readme.txt"},
        {"past a path buffer, no_drive: in full", too_long, README, 1, 0,
         "\\" + std::string(250, 'd') + "\\readme.txt"},
    };
    for (const auto& c : cases) {
        SetUp();
        out.clear();
        settings.unadorned = 1;
        settings.true_name = 1;
        settings.no_drive = c.no_drive;
        settings.no_ext = c.no_ext;
        set_section_path(c.directory);
        EXPECT_EQ(emit(c.entry), c.expected + "\r\n") << c.title;
    }
}

// On a terminal no name can rewrite colours or titles or forge a line; the
// prefix and trail the user typed are kept as they are.
TEST_F(EntryLineTest, ControlBytesOfNamesAreShownOnATerminal)
{
    const RecordFields escape = listed("esc\x1b[31", "\x7f", "esc\x1b[31mRED\x1b[0m.\x7f\n");
    struct Style {
        const char* title;
        int unadorned;
        int true_name;
        const char* expected;
    };
    const Style styles[] = {
        {"adorned", 0, 0, "·esc?[31··?····8-17-15··3:04p·········512·a····esc?[31mRED?[0m.??\n"},
        {"plain", 1, 0, "\t<esc?[31mRED?[0m.?\?>\n"},
        {"true name", 1, 1, "\t<c:\\esc?[31.?>\n"},
    };
    for (const auto& style : styles) {
        SetUp();
        OutStream terminal(NameBytes::CONTROLS_SHOWN);
        settings.unadorned = style.unadorned;
        settings.true_name = style.true_name;
        settings.line_prefix = "\t<";
        settings.line_trail = ">";
        emit_entry(terminal, make_record(escape));
        EXPECT_EQ(terminal.text(), shown(style.expected)) << style.title;
    }
}

TEST_F(EntryLineTest, OnlyDirsSkipsFiles)
{
    for (const int unadorned : {0, 1}) {
        SetUp();
        out.clear();
        settings.only_dirs = 1;
        settings.unadorned = unadorned;
        out_column = 5;
        EXPECT_EQ(emit(README), "") << unadorned;
        EXPECT_EQ(out_column, 5) << unadorned;
        EXPECT_NE(emit(DOCS), "") << unadorned;
    }
}

} // namespace
