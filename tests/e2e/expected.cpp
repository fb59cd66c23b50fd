// End-to-end expectations: expected texts with their placeholders expanded
// against a tree, CR LF line ends, and the check of one row's run.
#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <system_error>

#include "tests/e2e/harness.h"

namespace e2e {
namespace fs = std::filesystem;

namespace {

char to_lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

} // namespace

void replace_all(std::string& text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string crlf(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string dos_dir(const std::string& posix_dir)
{
    std::string out{tree_drive(), ':'};
    for (const char c : posix_dir)
        out += c == '/' ? '\\' : c;
    if (out.back() != '\\')
        out += '\\';
    return out;
}

namespace {

// "\x20" and the like, as the by-label links escape their names.
std::string decode_label(const std::string& name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name.compare(i, 2, "\\x") == 0 && i + 3 < name.size() &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out += static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

} // namespace

std::string header_label()
{
    if (on_wine())
        return ""; // Z: has no label under Wine
    const fs::path by_label = "/dev/disk/by-label";
    struct stat root_stat {};
    std::error_code ec;
    if (!fs::is_directory(by_label, ec) || stat("/", &root_stat) != 0)
        return "";
    for (const auto& link : fs::directory_iterator(by_label, ec)) {
        struct stat target {};
        if (stat(link.path().c_str(), &target) != 0 || target.st_rdev != root_stat.st_dev)
            continue;
        std::string label = decode_label(link.path().filename().string());
        for (char& c : label)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return label.empty() ? "" : "(" + label + ") ";
    }
    return "";
}

std::string birth_columns(const std::string& posix_path)
{
    struct statx info {};
    if (statx(AT_FDCWD, posix_path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0)
        fail("statx " + posix_path);
    // Wine and the POSIX calls alone give the last-write time as a file's
    // creation time; a birth time of 0 is none.
    const bool born = (info.stx_mask & STATX_BTIME) != 0 &&
                      (info.stx_btime.tv_sec != 0 || info.stx_btime.tv_nsec != 0) &&
                      !POSIX_CALLS_ALONE;
    const std::time_t when = born && !on_wine() ? static_cast<std::time_t>(info.stx_btime.tv_sec)
                                                : static_cast<std::time_t>(info.stx_mtime.tv_sec);
    std::tm tm{};
    gmtime_r(&when, &tm);
    std::array<char, 32> text{};
    const bool midnight = tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec < 2;
    const int hour = tm.tm_hour > 12 ? tm.tm_hour - 12 : tm.tm_hour;
    std::snprintf(text.data(), text.size(), "%2d-%02d-%02d ", tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_year % 100);
    std::string out = text.data();
    if (midnight)
        return out + "      ";
    std::snprintf(text.data(), text.size(), "%2d:%02d%c", hour, tm.tm_min,
                  tm.tm_hour >= 12 ? 'p' : 'a');
    return out + text.data();
}

std::string expand(std::string_view text, const Fixture& tree, bool line_ends)
{
    std::string out(text);
    const std::string dir = dos_dir(tree.root());
    std::string lowered = dir;
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    replace_all(out, "{HDR}", "directory of " + header_label() + dir);
    replace_all(out, "{DIR}", dir);
    replace_all(out, "{TRUE}", lowered);
    replace_all(out, "{NODRIVE}", lowered.substr(2));
    replace_all(out, "{POSIX}", tree.root());
    replace_all(out, "{drive}", std::string(1, to_lower(tree_drive())));
    replace_all(out, "{DRIVE}", std::string(1, tree_drive()));
    for (std::size_t at = out.find("{BT:"); at != std::string::npos; at = out.find("{BT:", at)) {
        const std::size_t end = out.find('}', at);
        const std::string rel = out.substr(at + 4, end - at - 4);
        out.replace(at, end - at + 1, birth_columns(tree.path(rel)));
    }
    return line_ends ? crlf(out) : out;
}

// --- Checking ---------------------------------------------------------------

namespace {

// The expected text around {FREE} must match exactly; the figure itself is a
// comma-grouped count, or one cut to 15 characters ending in "..".
void expect_with_free(const std::string& out, const std::string& expected)
{
    const std::size_t at = expected.find(FREE);
    const std::string head = expected.substr(0, at);
    const std::string tail = expected.substr(at + FREE.size());
    ASSERT_GE(out.size(), head.size() + tail.size()) << out;
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    const std::string figure = out.substr(head.size(), out.size() - head.size() - tail.size());
    static const std::regex count(R"([0-9]{1,3}(,[0-9]{3})*|[0-9,]{13}\.\.)");
    EXPECT_TRUE(std::regex_match(figure, count)) << "free bytes figure: '" << figure << "'";
}

} // namespace

void check_row(const Row& row, const Fixture& tree, const RunOptions& options)
{
    if (!row.wine.fault.empty())
        ADD_FAILURE() << "the row's text under Wine: " << row.wine.fault;
    std::vector<std::string> args;
    for (const auto& arg : row.args)
        args.push_back(expand(arg, tree, false));
    if (on_wine() && row.wine.what == OnWine::SKIPPED) {
        GTEST_SKIP() << "under Wine: " << row.wine.reason;
    }
    RunOptions run_options = options;
    if (!row.locale.empty())
        run_options.locale = row.locale;
    const RunResult result = run_wendex(args, tree.path(row.cwd), run_options);
    const bool differs = on_wine() && row.wine.what == OnWine::DIFFERS;
    const std::string expected = expand(differs ? row.wine.expected : row.expected, tree, true);
    SCOPED_TRACE(differs ? "the output under Wine, since " + row.wine.reason : "the common output");
    EXPECT_EQ(result.signal, 0) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exit_code, expected == USAGE ? 1 : row.exit_code);
    EXPECT_EQ(result.err, "");
    if (expected == USAGE) {
        EXPECT_TRUE(is_usage_text(result.out)) << result.out;
    } else if (expected.find(FREE) != std::string::npos) {
        expect_with_free(result.out, expected);
    } else {
        EXPECT_EQ(result.out, expected);
    }
}

Row in_locale(std::string locale, Row row)
{
    row.locale = std::move(locale);
    return row;
}

void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name << ":";
    for (const auto& arg : row.args)
        *os << " '" << arg << "'";
    if (!row.cwd.empty())
        *os << " in " << row.cwd;
    if (!row.locale.empty())
        *os << " under LC_ALL=" << row.locale;
}

bool is_usage_text(const std::string& out)
{
    static const std::string body =
        crlf("i.e., wendex *.*, or just wendex. /b bare; /B bare, truename. Sort by /n name,\n"
             "/s size, /e extension (default), /d date & time, /u unsorted. /a show\n"
             "directories (default); /a- don't (default for /b /B /c //). /aa only /.\n"
             "Name.dot style. // show contents of subdirectories. /w wide. /b[trail]\n"
             "unadorned style, lines ended with optional trail. /t 24 hour time. /total just\n"
             "dir byte count. /B[trail] == b, + true name. /c[trail] == B, + no drive.\n"
             "-p[prefix] /:a show only files with arc attribute. arhs permitted; ORs; unless\n"
             "\"/:&ar\". Attributes in adorned display: a:archive; r:read-only; h:hidden;\n"
             "s:system. Trailing \"\\\" taken as directory; else file. /x no extensions. /q\n"
             "quote bare names. /y summary anyway (bytes) /z- don't show free bytes /f~x\n"
             "exclude names with ~, x. -g dir written time. /c baredrive? (win32)\n");
    // The build date: "Aug 17 2015", or "Aug  7 2015" as the compiler writes it.
    static const std::regex first_line(
        R"(wendex \[mask\] \[options\] \([A-Z][a-z]{2} ( [1-9]|[1-9]|[1-3][0-9]) [0-9]{4}\)\r\n)");
    const std::size_t end = out.find('\n');
    if (end == std::string::npos)
        return false;
    return std::regex_match(out.substr(0, end + 1), first_line) && out.substr(end + 1) == body;
}

} // namespace e2e
