// The second host of the end-to-end tests: wendex.exe, cross-built, run
// through Wine on the same trees. The test run (CTest's wine fixture) makes
// the prefix and keeps its server going, so each run costs a fraction of a
// second; standard input is never a terminal, or Wine's console would wrap
// the output in escapes.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include "tests/e2e/harness.h"

namespace e2e {

namespace {

// The host file's "key=value" lines: wine (the launcher), exe, prefix.
// Empty when the environment names no host file: the POSIX host.
const std::map<std::string, std::string>& wine_host()
{
    static const std::map<std::string, std::string> settings = [] {
        std::map<std::string, std::string> read;
        const char* file = std::getenv("WENDEX_E2E_WINE_HOST");
        if (file == nullptr || file[0] == '\0')
            return read;
        std::ifstream in(file);
        if (!in)
            fail(std::string("open ") + file);
        for (std::string line; std::getline(in, line);)
            if (const std::size_t equals = line.find('='); equals != std::string::npos)
                read[line.substr(0, equals)] = line.substr(equals + 1);
        for (const char* key : {"wine", "exe", "prefix"})
            if (read[key].empty())
                throw std::runtime_error(std::string(file) + " names no " + key);
        return read;
    }();
    return settings;
}

// The lines Wine writes of its own that say nothing about the run: the label
// of Z: (the Linux root) cannot be read; a working directory too long for a
// Windows program (it starts in C:\windows instead). Every other line stays,
// a fault or a failed start among them: a run that fails in Wine says why.
constexpr std::array<std::string_view, 2> HARMLESS_WINE_NOTES{
    "wine: Read access denied for device ",
    "wine: could not open working directory ",
};

bool is_harmless_note(std::string_view line)
{
    return std::any_of(HARMLESS_WINE_NOTES.begin(), HARMLESS_WINE_NOTES.end(),
                       [line](std::string_view note) { return line.starts_with(note); });
}

} // namespace

bool on_wine()
{
    return !wine_host().empty();
}

std::string wine_drive_c()
{
    return wine_host().at("prefix") + "/drive_c";
}

std::string wine_drive_d()
{
    return wine_host().at("prefix") + "/drive_d";
}

bool wine_speaks_utf8()
{
    static const bool utf8 = [] {
        std::ifstream exe(wine_host().at("exe"), std::ios::binary);
        const std::string image{std::istreambuf_iterator<char>(exe), {}};
        return image.find("<activeCodePage") != std::string::npos;
    }();
    return utf8;
}

char tree_drive()
{
    return on_wine() ? 'Z' : 'C';
}

Row wine_gives(Row row, std::string expected, std::string reason)
{
    row.wine = {OnWine::DIFFERS, std::move(expected), std::move(reason)};
    return row;
}

std::string edited(std::string text, const WineEdits& edits, std::string& fault)
{
    for (const WineEdit& edit : edits) {
        const std::size_t at = text.find(edit.linux_text);
        if (at == std::string::npos || text.find(edit.linux_text, at + 1) != std::string::npos) {
            fault += "'" + edit.linux_text + "' does not stand once in the row's text; ";
            continue;
        }
        text.replace(at, edit.linux_text.size(), edit.wine_text);
    }
    return text;
}

Row wine_edits(Row row, const WineEdits& edits, std::string reason)
{
    std::string fault;
    std::string expected = edited(row.expected, edits, fault);
    row.wine = {OnWine::DIFFERS, std::move(expected), std::move(reason), std::move(fault)};
    return row;
}

Row wine_skips(Row row, std::string reason)
{
    row.wine = {OnWine::SKIPPED, "", std::move(reason)};
    return row;
}

void to_search_order(std::vector<std::string>& names)
{
    if (!on_wine())
        return;
    const auto upper = [](const std::string& name) {
        std::string text = name;
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    std::stable_sort(names.begin(), names.end(),
                     [&upper](const auto& a, const auto& b) { return upper(a) < upper(b); });
}

std::vector<std::string> wine_command(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{wine_host().at("wine"), wine_host().at("exe")};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

void add_wine_environment(std::vector<std::string>& env)
{
    env.emplace_back("WINEDEBUG=-all");
    // Wine reads the tree's names as UTF-8 under a UTF-8 locale only (in the
    // C locale it keeps seven bits of each byte); its ANSI code page is 1252.
    env.emplace_back("LC_ALL=C.UTF-8");
    env.push_back("WINEPREFIX=" + wine_host().at("prefix"));
    if (const char* home = std::getenv("HOME"))
        env.push_back(std::string("HOME=") + home);
}

std::string without_wine_notes(const std::string& err)
{
    std::string kept;
    for (std::size_t start = 0; start < err.size();) {
        const std::size_t end = std::min(err.find('\n', start), err.size() - 1) + 1;
        if (!is_harmless_note(std::string_view(err).substr(start, end - start)))
            kept += err.substr(start, end - start);
        start = end;
    }
    return kept;
}

} // namespace e2e
