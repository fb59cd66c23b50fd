// Switches into settings: each row is an argument list and the settings it
// must leave behind, compared with the defaults changed as the row says.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "core/run_state.h"
#include "fs/fs_services.h"

namespace {

struct ParseCase {
    std::vector<std::string> args;
    ListSettings expect; // the settings named, the others at their defaults
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

const std::vector<ParseCase> PARSE_CASES = {
    {{}, {}},
    {{"/"}, {}},
    {{"/n"}, {.sort_key = SORT_NAME}},
    {{"/nxyz"}, {.sort_key = SORT_NAME}},
    {{"/s", "/e"}, {}},
    {{"/d-"}, {.sort_key = SORT_DATE}},
    {{"/u"}, {.sort_key = SORT_NONE}},
    {{"/s"}, {.sort_key = SORT_SIZE}},
    {{"/."}, {.dot_style = 1}},
    {{"/.-"}, {}},
    {{"//"}, {.show_dirs = 0, .recurse = 1, .header_when_empty = 0}},
    {{"//", "/a"}, {.recurse = 1, .header_when_empty = 0}},
    {{"/a", "//"}, {.show_dirs = 0, .recurse = 1, .header_when_empty = 0}},
    {{"/a-"}, {.show_dirs = 0}},
    {{"/aa"}, {.only_dirs = 1}},
    {{"/ab"}, {}},
    {{"/b"}, {.show_dirs = 0, .bare = 1, .unadorned = 1, .line_trail = ""}},
    {{"/b;"}, {.show_dirs = 0, .bare = 1, .unadorned = 1, .line_trail = ";"}},
    {{"/b-"}, {.show_dirs = 0, .bare = 0, .unadorned = 0, .line_trail = "-"}},
    {{"/b", "/a"}, {.show_dirs = 1, .bare = 1, .unadorned = 1, .line_trail = ""}},
    {{"/B"}, {.show_dirs = 0, .true_name = 1, .bare = 1, .unadorned = 1, .line_trail = ""}},
    {{"/B-"}, {.show_dirs = 0, .bare = 0, .unadorned = 0, .line_trail = "-"}},
    {{"/c,"},
     {.show_dirs = 0, .no_drive = 1, .true_name = 1, .bare = 1, .unadorned = 1, .line_trail = ","}},
    {{"/x", "/B"}, {.show_dirs = 0, .true_name = 1, .bare = 1, .unadorned = 1, .line_trail = ""}},
    {{"/B", "/x"}, {.show_dirs = 0, .no_ext = 1, .bare = 1, .unadorned = 1, .line_trail = ""}},
    {{"/w"}, {.unadorned = 1, .wide = 1}},
    {{"/b", "/w-"}, {.show_dirs = 0, .bare = 1, .unadorned = 0, .line_trail = ""}},
    {{"/b-", "/w"}, {.show_dirs = 0, .bare = 0, .unadorned = 1, .wide = 1, .line_trail = "-"}},
    {{"/:rh"}, {.attr_match = ATTR_ANY, .attr_mask = ATTR_READONLY | ATTR_HIDDEN}},
    {{"/:&ar"}, {.attr_match = ATTR_ALL, .attr_mask = ATTR_ARCHIVE | ATTR_READONLY}},
    {{"/:s", "/:"}, {.attr_match = ATTR_ANY}},
    {{"/fabc"}, {.exclude_chars = "abc"}},
    {{"/f"}, {.exclude_chars = ""}},
    {{"/g-"}, {.dir_time_alt = 0}},
    {{"/p-"}, {.line_prefix = "-"}},
    {{"/p>", "/p"}, {}},
    {{"/q-"}, {}},
    {{"/q"}, {.quote_names = 1}},
    {{"/total"}, {.total_only = 1}},
    {{"/totals"}, {.time_24h = 1}},
    {{"/total-"}, {.time_24h = 1}},
    {{"/tx"}, {.time_24h = 1}},
    {{"/t", "/t-"}, {}},
    {{"/y"}, {.summary_anyway = 1}},
    {{"/z-"}, {.show_free = 0}},
    {{"a", "/n"}, {.sort_key = SORT_NAME}, "a"},
    {{"/n", "a"}, {.sort_key = SORT_NAME}, "a"},
    {{"-p"}, {}, "-p"},
    {{""}, {}, ""},
    {{std::string(259, 'm')}, {}, std::string(259, 'm')},
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, LeavesTheExpectedSettings)
{
    static char star[] = "*";
    settings = ListSettings{};
    mask = star;
    ParseCase row = GetParam();
    parse(row.args);

    EXPECT_TRUE(same_settings(settings, row.expect));
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
