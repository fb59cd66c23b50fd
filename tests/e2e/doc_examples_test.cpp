// The examples of README.md and of the manual page: each command runs in bash,
// as a reader would paste it, on a tree with the names, sizes and times the
// documents show, and must print what they show (CR LF aside).
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// The documents show the tree at this path; the test makes it under /tmp and
// maps one path onto the other, in commands and in output.
constexpr std::string_view SHOWN_POSIX = "/home/ann/work";
constexpr std::string_view SHOWN_DOS = "\\home\\ann\\work";

// The directory of the examples: two directories, a FIFO, four files.
const Fixture& example_tree()
{
    static const Fixture tree([](Fixture& tree) {
        tree.dir("Docs", {2024, 3, 15, 9, 30, 0});
        tree.file("Docs/notes.txt", 727, {2024, 3, 15, 9, 30, 0});
        tree.dir("sub", {2024, 3, 12, 16, 45, 0});
        tree.file("sub/main.c", 2048, {2024, 3, 12, 16, 45, 0});
        tree.file("sub/util.c", 512, {2024, 3, 11, 11, 20, 0});
        tree.fifo("pipe", {2024, 3, 10, 8, 0, 0});
        tree.file("b.doc", 1234, {2024, 3, 11, 14, 49, 0}, 0444);
        tree.file(".hidden", 0, {2024, 3, 1, 0, 15, 0});
        tree.file("ReadMe.txt", 512, {2024, 3, 14, 10, 2, 0});
        tree.file("meeting-notes.markdown", 4096, {2024, 3, 13, 17, 30, 0});
    });
    return tree;
}

struct Example {
    int line = 0;        // of the command in its document
    std::string command; // as typed after "$ "
    std::string output;  // the lines shown after it, each ended by "\n"
};

// Splits a block's lines into examples: a line "PROMPTcommand" starts one,
// and the lines up to the next such line are its output.
void add_examples(const std::vector<std::pair<int, std::string>>& block,
                  std::vector<Example>& examples, std::string_view prompt)
{
    for (const auto& [number, text] : block) {
        if (text.starts_with(prompt)) {
            examples.push_back({number, text.substr(prompt.size()), ""});
        } else if (!examples.empty()) {
            examples.back().output += text + "\n";
        }
    }
}

// The lines between an opening and a closing line, with their numbers.
std::vector<Example> examples_in(const std::string& path, std::string_view open,
                                 std::string_view close, std::string (*decode)(const std::string&),
                                 std::string_view prompt = "$ ")
{
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::vector<Example> examples;
    std::vector<std::pair<int, std::string>> block;
    bool inside = false;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!inside) {
            inside = line == open;
        } else if (line == close) {
            add_examples(block, examples, prompt);
            block.clear();
            inside = false;
        } else {
            block.emplace_back(number, decode(line));
        }
    }
    return examples;
}

std::string as_is(const std::string& line)
{
    return line;
}

// The roff escapes the manual page's examples use, as the text they print.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> ROFF_ESCAPES = {{
    {"\\e", "\\"},
    {"\\-", "-"},
    {"\\(aq", "'"},
    {"\\(dq", "\""},
    {"\\&", ""},
    {"\\ ", " "},
}};

std::string unescape_roff(const std::string& line)
{
    std::string out;
    for (std::size_t at = 0; at < line.size();) {
        bool known = false;
        for (const auto& [escape, text] : ROFF_ESCAPES) {
            if (line.compare(at, escape.size(), escape) == 0) {
                out += text;
                at += escape.size();
                known = true;
                break;
            }
        }
        if (!known) {
            EXPECT_NE(line[at], '\\') << "an escape this test does not read: " << line;
            out += line[at++];
        }
    }
    return out;
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The real tree's root in place of the shown one.
std::string real_command(std::string command, const Fixture& tree)
{
    std::string dos = dos_dir(tree.root()).substr(2);
    dos.pop_back();
    replace_all(command, SHOWN_POSIX, tree.root());
    replace_all(command, SHOWN_DOS, dos);
    return command;
}

// The output as the documents show it: LF line ends, no volume label, the
// shown root in place of the real one (as typed, and lower-cased as true
// names print it).
std::string shown_output(std::string out, const Fixture& tree)
{
    replace_all(out, "\r\n", "\n");
    if (!header_label().empty())
        replace_all(out, "directory of " + header_label(), "directory of ");
    std::string dos = dos_dir(tree.root());
    dos.pop_back();
    replace_all(out, dos, "C:" + std::string(SHOWN_DOS));
    replace_all(out, lower(dos), "c:" + std::string(SHOWN_DOS));
    replace_all(out, lower(dos).substr(2), SHOWN_DOS);
    return out;
}

// The free bytes differ from machine to machine, and a directory shows its
// creation time, which no test can set (unless /g asks for the last-write
// time): on both sides each is checked for its form and then replaced by a
// placeholder of the same width.
std::string mask_variable_parts(const std::string& text, bool creation_times)
{
    static const std::regex free_bytes(R"(, ([0-9]{1,3}(,[0-9]{3})*|[0-9,]{13}\.\.) bytes free)");
    static const std::regex date_time(
        R"([ 1][0-9]-[0-3][0-9]-[0-9]{2} ( {6}|[ 0-9]{2}:[0-5][0-9][ap ]))");
    constexpr std::size_t WHEN_AT = 14, WHEN_WIDTH = 15, SIZE_AT = 30;
    std::istringstream lines(text);
    std::string out;
    for (std::string line; std::getline(lines, line);) {
        line = std::regex_replace(line, free_bytes, ", {FREE} bytes free");
        if (creation_times && line.size() > SIZE_AT &&
            line.compare(SIZE_AT, 11, "(directory)") == 0 &&
            std::regex_match(line.substr(WHEN_AT, WHEN_WIDTH), date_time))
            line.replace(WHEN_AT, WHEN_WIDTH, "{CREATION TIME}");
        out += line + "\n";
    }
    return out;
}

void run_examples(const std::vector<Example>& examples, const std::string& document)
{
    if (on_wine()) {
        GTEST_SKIP() << "under Wine: these examples show the POSIX host, run from bash";
    }
    const Fixture& tree = example_tree();
    const std::string binary = WENDEX_BINARY;
    const RunOptions options{.search_path = binary.substr(0, binary.rfind('/')) + ":/usr/bin:/bin"};
    static const std::regex last_write_switch(R"((^|[ '"])/g)");
    for (const Example& example : examples) {
        SCOPED_TRACE(document + ":" + std::to_string(example.line) + ": $ " + example.command);
        const RunResult result = run_program(
            {"/bin/bash", "-c", real_command(example.command, tree)}, tree.root(), options);
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.err, "");
        const bool creation_times = !std::regex_search(example.command, last_write_switch);
        EXPECT_EQ(mask_variable_parts(shown_output(result.out, tree), creation_times),
                  mask_variable_parts(example.output, creation_times));
    }
}

TEST(DocExamples, ReadmeShowsRealOutput)
{
    const auto examples = examples_in(WENDEX_README, "```console", "```", as_is);
    EXPECT_GE(examples.size(), 10u);
    run_examples(examples, "README.md");
}

TEST(DocExamples, ManualPageShowsRealOutput)
{
    const auto examples = examples_in(WENDEX_MANUAL, ".EX", ".EE", unescape_roff);
    EXPECT_GE(examples.size(), 6u);
    run_examples(examples, "wendex.1");
}

// README's Windows listing: the same directory as C:\users\ann\work on a
// drive labelled "Ann Work" (the wine fixture labels C:), each command run
// from cmd.exe there, as a reader on Windows would type it.
constexpr std::string_view WINDOWS_PROMPT = "C:\\users\\ann\\work>";

TEST(DocExamples, ReadmeWindowsListingIsRealOutput)
{
    if (!on_wine()) {
        GTEST_SKIP() << "needs wendex.exe under Wine";
    }
    const auto examples = examples_in(WENDEX_README, "```text", "```", as_is, WINDOWS_PROMPT);
    EXPECT_GE(examples.size(), 3u);
    // C:\users\ann\work is the example tree itself.
    const std::string ann = wine_drive_c() + "/users/ann";
    std::filesystem::create_directories(ann);
    std::filesystem::remove(ann + "/work");
    std::filesystem::create_directory_symlink(example_tree().root(), ann + "/work");
    const std::vector<std::string> wendex = wine_command({});
    std::string program = dos_dir(wendex[1]);
    program.pop_back(); // the '\' dos_dir ends in
    for (const Example& example : examples) {
        SCOPED_TRACE("README.md:" + std::to_string(example.line) + ": " + example.command);
        ASSERT_TRUE(example.command.starts_with("wendex"));
        const std::string line = "cd /d " +
                                 std::string(WINDOWS_PROMPT.substr(0, WINDOWS_PROMPT.size() - 1)) +
                                 " && " + program + example.command.substr(6);
        const RunResult result = run_program({wendex[0], "cmd", "/c", line}, example_tree().root());
        std::string out = result.out;
        replace_all(out, "\r\n", "\n");
        EXPECT_EQ(mask_variable_parts(out, false), mask_variable_parts(example.output, false));
    }
}

} // namespace
} // namespace e2e
