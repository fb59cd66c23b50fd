// The attribute filter and the case-blind character search of the pass.
#include <gtest/gtest.h>

#include "core/run_state.h"
#include "fs/fs_services.h"
#include "scan/directory_pass.h"
#include "tests/unit/code_pages.h"

namespace {

struct AttrCase {
    AttrMatch match;
    std::uint32_t mask;
    std::uint32_t attributes;
    bool passes;
};

class AttrFilter : public ::testing::TestWithParam<AttrCase> {};

TEST_P(AttrFilter, AppliesTheAskedBits)
{
    settings = ListSettings{};
    settings.attr_match = GetParam().match;
    settings.attr_mask = GetParam().mask;
    EXPECT_EQ(attr_filter(GetParam().attributes), GetParam().passes);
    settings = ListSettings{};
}

constexpr std::uint32_t RO = ATTR_READONLY, HID = ATTR_HIDDEN, ARC = ATTR_ARCHIVE,
                        DIR = ATTR_DIRECTORY;

INSTANTIATE_TEST_SUITE_P(Table, AttrFilter,
                         ::testing::Values(AttrCase{ATTR_ANY, 0, 0, true},
                                           AttrCase{ATTR_ALL, 0, DIR, true},
                                           AttrCase{ATTR_OFF, RO, 0, true},
                                           AttrCase{ATTR_ANY, RO | HID, HID, true},
                                           AttrCase{ATTR_ANY, RO | HID, ARC, false},
                                           AttrCase{ATTR_ALL, RO | HID, HID, false},
                                           AttrCase{ATTR_ALL, RO | HID, RO | HID | ARC, true},
                                           AttrCase{ATTR_ALL, ARC | RO, ARC, false},
                                           AttrCase{ATTR_ANY, ARC, DIR, false}));

TEST(FindCharNocase, IgnoresCaseOfLettersOnly)
{
    const char* text = "Xray~1.txt";
    EXPECT_EQ(find_char_nocase(text, 'x'), text);
    EXPECT_EQ(find_char_nocase(text, 'T'), text + 7);
    EXPECT_EQ(find_char_nocase(text, '~'), text + 4);
    EXPECT_EQ(find_char_nocase(text, 'q'), nullptr);
    const char* accented = "\xE9t\xC9"; // no case pairs above 0x7F
    EXPECT_EQ(find_char_nocase(accented, '\xC9'), accented + 2);
}

TEST(FindCharNocase, FindsWholeCharactersOfTheCodePage)
{
    struct {
        Page page;
        const char* text;
        const char* character;
        std::ptrdiff_t at; // -1: not found
    } const cases[] = {
        {Page::UTF8, "Zürich.md", "é", -1}, // ü and é share their first byte
        {Page::DBCS, "\x83\x41", "a", -1}, // a trail byte is no letter
        {Page::DBCS, "x\x83\x41", "\x83\x41", 1},
        {Page::SINGLE, "\x83\x41", "a", 1},
    };
    for (const auto& c : cases) {
        const UsingPage page(c.page);
        const char* found = find_char_nocase(c.text, c.character);
        EXPECT_EQ(found == nullptr ? -1 : found - c.text, c.at) << c.text << " " << c.character;
    }
}

} // namespace
