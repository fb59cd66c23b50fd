// Name matching and pattern splitting of the host layer's directory search.
#include "fs/posix/posix_host.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
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
};

TEST(HostMatch, NameMatchesTable)
{
    for (const MatchCase& c : MATCH_CASES) {
        EXPECT_EQ(name_matches(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
    }
}

TEST(HostMatch, StarHeavyPatternIsNotExponential)
{
    const std::string pattern = std::string(60, '*') + "b";
    const std::string name(4000, 'a');
    EXPECT_FALSE(name_matches(pattern, name));
    EXPECT_TRUE(name_matches(pattern, name + "b"));
}

struct SplitCase {
    const char* pattern;
    const char* directory;
    const char* name;
};

constexpr SplitCase SPLIT_CASES[] = {
    {"*.txt", "", "*.txt"},     {"sub\\*.c", "sub\\", "*.c"}, {"a/b\\c", "a/b\\", "c"},
    {"C:*.txt", "C:", "*.txt"}, {"C:\\", "C:\\", ""},         {"sub\\", "sub\\", ""},
};

TEST(HostMatch, SplitSearchPatternTable)
{
    for (const SplitCase& c : SPLIT_CASES) {
        const PatternParts parts = split_search_pattern(c.pattern);
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
