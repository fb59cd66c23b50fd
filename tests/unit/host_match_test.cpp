// Name matching and pattern splitting of the host layer's directory search.
#include "posix_internals.h"

#include <gtest/gtest.h>

#include <string>

#include "fs/path_split.h"
#include "tests/unit/code_pages.h"
#include "text/name_match.h"

namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
    Page page = Page::SINGLE;
};

constexpr MatchCase MATCH_CASES[] = {
    // '*' and '?'
    {"*", "anything.txt", true},
    {"*", ".", true},
    {"*.*", "..", true},
    {"*.txt", "notes.TXT", true},
    {"*.txt", "notes.txt.bak", false},
    {"?.c", "a.c", true},
    {"?.c", "ab.c", false},
    {"a*b*c", "aXbYbZc", true},
    {"a*b*c", "aXbYbZ", false},
    {"**x", "x", true},
    // case-blind only for A-Z; high bytes compare exactly
    {"README", "readme", true},
    {"\xC9T\xC9", "\xE9t\xE9", false},
    {"\xC9t\xC9", "\xC9T\xC9", true},
    {"[", "[", true},
    // trailing ".*" also stands for no extension
    {"*.*", "README", true},
    {"read*.*", "README", true},
    {"read*.*", "other", false},
    {".*", "README", false},
    {".*", ".hidden", true},
    // lone trailing '.' after a wildcard: no extension
    {"*.", "README", true},
    {"*.", "main.c", false},
    {"*.", ".profile", false},
    {"r*.", "readme", true},
    {"*..", "README", false},
    // '?' is one whole character of the code page; bytes inside one never match alone
    {"caf?.md", "café.md", true, Page::UTF8},
    {"caf??.md", "café.md", false, Page::UTF8},
    {"caf?.md", "café.md", false},
    {"caf??.md", "café.md", true},
    {"???", "日本語", true, Page::UTF8},
    {"?emoji*", "😀emoji.png", true, Page::UTF8},
    {"??.txt", "\xff\xfe.txt", true, Page::UTF8},
    {"?.txt", "\x95\x5C.txt", true, Page::DBCS},
    {"\x83\x41", "\x83\x61", false, Page::DBCS}, // trail bytes are no letters
    {"\x83\x41", "\x83\x61", true},
    {"*A", "\x83\x41", false, Page::DBCS},
};

TEST(HostMatch, NameMatchesTable)
{
    for (const MatchCase& c : MATCH_CASES) {
        const UsingPage page(c.page);
        EXPECT_EQ(name_matches(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
        // A search that skips asking for such a pattern must lose no name.
        EXPECT_TRUE(c.matches || !matches_every_name(c.pattern)) << c.pattern;
    }
}

TEST(HostMatch, StarHeavyPatternIsNotExponential)
{
    const std::string pattern = std::string(60, '*') + "b";
    const std::string name(4000, 'a');
    EXPECT_FALSE(name_matches(pattern, name));
    EXPECT_TRUE(name_matches(pattern, name + "b"));
}

constexpr NameStart PATH = NameStart::PATH_PARTS;

struct SplitCase {
    const char* pattern;
    const char* directory;
    const char* name;
    Page page = Page::SINGLE;
    NameStart reading = NameStart::LAST_COMPONENT;
};

constexpr SplitCase SPLIT_CASES[] = {
    {"*.txt", "", "*.txt"},
    {"sub\\*.c", "sub\\", "*.c"},
    {"a/b\\c", "a/b\\", "c"},
    {"C:*.txt", "C:", "*.txt"},
    {"C:\\", "C:\\", ""},
    {"sub\\", "sub\\", ""},
    {"\x95\x5C*", "", "\x95\x5C*", Page::DBCS},
    {"\x95\x5C*", "\x95\x5C", "*"},
    // A last component of dots is a name to the search, a directory to a path.
    {"sub\\..", "sub\\", ".."},
    {"sub\\..", "sub\\..", "", Page::SINGLE, PATH},
    {"C:.", "C:", "."},
    {"C:.", "C:.", "", Page::SINGLE, PATH},
    {"a\\..f*", "a\\", "..f*"},
    {"a\\..f*", "a\\.", ".f*", Page::SINGLE, PATH},
    {"...", "..", ".", Page::SINGLE, PATH},
    {"x..", "", "x..", Page::SINGLE, PATH},
    // A leading separator and ':': the search cuts at the separator, a path
    // reads a drive; a ':' inside a character is no drive's.
    {"/:x", "/", ":x"},
    {"/:x", "/:", "x", Page::SINGLE, PATH},
    {"\x95:x", "", "\x95:x", Page::DBCS, PATH},
    {"C:\\\x83\x5C\\*", "C:\\\x83\x5C\\", "*", Page::DBCS, PATH},
};

TEST(HostMatch, SplitSearchPatternTable)
{
    for (const SplitCase& c : SPLIT_CASES) {
        const UsingPage page(c.page);
        const PatternParts parts = split_pattern(c.pattern, c.reading);
        EXPECT_EQ(parts.directory, c.directory) << c.pattern;
        EXPECT_EQ(parts.name, c.name) << c.pattern;
    }
}

TEST(HostMatch, LabelEscapesAreDecoded)
{
    EXPECT_EQ(decode_label("My\\x20Disk"), "My Disk");
    EXPECT_EQ(decode_label("a\\x2fb\\x5C"), "a/b\\");
    EXPECT_EQ(decode_label("odd\\xZZ\\x4"), "odd\\xZZ\\x4");
}

} // namespace
