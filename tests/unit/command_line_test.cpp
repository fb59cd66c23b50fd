// Switches into settings: each row is an argument list and the settings it
// must leave behind, compared with the defaults changed as the row says.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "core/run_state.h"
#include "fs/fs_services.h"

namespace {

struct ParseCase {
    std::vector<std::string> args;
    std::function<void(ListSettings&)> expect; // applied to the defaults
    std::string mask = "*";
};

void parse(std::vector<std::string>& args)
{
    std::vector<char*> argv{const_cast<char*>("wendex")};
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    parse_command_line(static_cast<int>(argv.size()), argv.data());
}

// Every field compared by ListSettings' own ==, so that a field added later
// is compared too; the three texts by their content, not their address.
bool same_settings(ListSettings a, const ListSettings& b)
{
    const auto same_text = [](const char*& text, const char* other) {
        if (text == other ||
            (text != nullptr && other != nullptr && std::string_view{text} == other)) {
            text = other;
        }
    };
    same_text(a.line_trail, b.line_trail);
    same_text(a.line_prefix, b.line_prefix);
    same_text(a.exclude_chars, b.exclude_chars);
    return a == b;
}

void bare_style(ListSettings& s, int on, const char* trail)
{
    s.bare = on;
    s.unadorned = on;
    s.show_dirs = 0;
    s.line_trail = trail;
}

const std::vector<ParseCase> PARSE_CASES = {
    {{}, [](ListSettings&) {}},
    {{"/"}, [](ListSettings&) {}},
    {{"/n"}, [](ListSettings& s) { s.sort_key = SORT_NAME; }},
    {{"/nxyz"}, [](ListSettings& s) { s.sort_key = SORT_NAME; }},
    {{"/s", "/e"}, [](ListSettings&) {}},
    {{"/d-"}, [](ListSettings& s) { s.sort_key = SORT_DATE; }},
    {{"/u"}, [](ListSettings& s) { s.sort_key = SORT_NONE; }},
    {{"/s"}, [](ListSettings& s) { s.sort_key = SORT_SIZE; }},
    {{"/."}, [](ListSettings& s) { s.dot_style = 1; }},
    {{"/.-"}, [](ListSettings&) {}},
    {{"//"},
     [](ListSettings& s) {
         s.recurse = 1;
         s.show_dirs = 0;
         s.header_when_empty = 0;
     }},
    {{"//", "/a"},
     [](ListSettings& s) {
         s.recurse = 1;
         s.header_when_empty = 0;
     }},
    {{"/a", "//"},
     [](ListSettings& s) {
         s.recurse = 1;
         s.show_dirs = 0;
         s.header_when_empty = 0;
     }},
    {{"/a-"}, [](ListSettings& s) { s.show_dirs = 0; }},
    {{"/aa"}, [](ListSettings& s) { s.only_dirs = 1; }},
    {{"/ab"}, [](ListSettings&) {}},
    {{"/b"}, [](ListSettings& s) { bare_style(s, 1, ""); }},
    {{"/b;"}, [](ListSettings& s) { bare_style(s, 1, ";"); }},
    {{"/b-"}, [](ListSettings& s) { bare_style(s, 0, "-"); }},
    {{"/b", "/a"},
     [](ListSettings& s) {
         bare_style(s, 1, "");
         s.show_dirs = 1;
     }},
    {{"/B"},
     [](ListSettings& s) {
         bare_style(s, 1, "");
         s.true_name = 1;
     }},
    {{"/B-"}, [](ListSettings& s) { bare_style(s, 0, "-"); }},
    {{"/c,"},
     [](ListSettings& s) {
         bare_style(s, 1, ",");
         s.true_name = 1;
         s.no_drive = 1;
     }},
    {{"/x", "/B"},
     [](ListSettings& s) {
         bare_style(s, 1, "");
         s.true_name = 1;
     }},
    {{"/B", "/x"},
     [](ListSettings& s) {
         bare_style(s, 1, "");
         s.no_ext = 1;
     }},
    {{"/w"},
     [](ListSettings& s) {
         s.wide = 1;
         s.unadorned = 1;
     }},
    {{"/b", "/w-"},
     [](ListSettings& s) {
         bare_style(s, 1, "");
         s.unadorned = 0;
     }},
    {{"/b-", "/w"},
     [](ListSettings& s) {
         bare_style(s, 0, "-");
         s.wide = 1;
         s.unadorned = 1;
     }},
    {{"/:rh"},
     [](ListSettings& s) {
         s.attr_match = ATTR_ANY;
         s.attr_mask = ATTR_READONLY | ATTR_HIDDEN;
     }},
    {{"/:&ar"},
     [](ListSettings& s) {
         s.attr_match = ATTR_ALL;
         s.attr_mask = ATTR_ARCHIVE | ATTR_READONLY;
     }},
    {{"/:s", "/:"}, [](ListSettings& s) { s.attr_match = ATTR_ANY; }},
    {{"/fabc"}, [](ListSettings& s) { s.exclude_chars = "abc"; }},
    {{"/f"}, [](ListSettings& s) { s.exclude_chars = ""; }},
    {{"/g-"}, [](ListSettings& s) { s.dir_time_alt = 0; }},
    {{"/p-"}, [](ListSettings& s) { s.line_prefix = "-"; }},
    {{"/p>", "/p"}, [](ListSettings&) {}},
    {{"/q-"}, [](ListSettings&) {}},
    {{"/q"}, [](ListSettings& s) { s.quote_names = 1; }},
    {{"/total"}, [](ListSettings& s) { s.total_only = 1; }},
    {{"/totals"}, [](ListSettings& s) { s.time_24h = 1; }},
    {{"/total-"}, [](ListSettings& s) { s.time_24h = 1; }},
    {{"/tx"}, [](ListSettings& s) { s.time_24h = 1; }},
    {{"/t", "/t-"}, [](ListSettings&) {}},
    {{"/y"}, [](ListSettings& s) { s.summary_anyway = 1; }},
    {{"/z-"}, [](ListSettings& s) { s.show_free = 0; }},
    {{"a", "/n"}, [](ListSettings& s) { s.sort_key = SORT_NAME; }, "a"},
    {{"/n", "a"}, [](ListSettings& s) { s.sort_key = SORT_NAME; }, "a"},
    {{"-p"}, [](ListSettings&) {}, "-p"},
    {{""}, [](ListSettings&) {}, ""},
    {{std::string(259, 'm')}, [](ListSettings&) {}, std::string(259, 'm')},
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, LeavesTheExpectedSettings)
{
    static char star[] = "*";
    settings = ListSettings{};
    mask = star;
    ParseCase row = GetParam();
    parse(row.args);

    ListSettings expected{};
    row.expect(expected);
    EXPECT_TRUE(same_settings(settings, expected));
    EXPECT_EQ(std::string{mask}, row.mask);
    settings = ListSettings{};
    mask = star;
}

INSTANTIATE_TEST_SUITE_P(Switches, ParseTest, ::testing::ValuesIn(PARSE_CASES));

TEST(SwitchOn, IsOffOnlyForADashThirdCharacter)
{
    EXPECT_EQ(switch_on("/b"), 1);
    EXPECT_EQ(switch_on("/b-"), 0);
    EXPECT_EQ(switch_on("/b;-"), 1);
    EXPECT_EQ(switch_on("/"), 1);
}

} // namespace
