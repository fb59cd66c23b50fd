// End-to-end harness: temporary trees, the runner of the built binary, and the
// expected-text helpers shared by every table of rows.
#include "tests/e2e/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <regex>
#include <stdexcept>
#include <system_error>

#include <gtest/gtest.h>

namespace e2e {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void replace_all(std::string& text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::time_t to_time(Stamp s)
{
    std::tm tm{};
    tm.tm_year = s.year - 1900;
    tm.tm_mon = s.month - 1;
    tm.tm_mday = s.day;
    tm.tm_hour = s.hour;
    tm.tm_min = s.minute;
    tm.tm_sec = s.second;
    return timegm(&tm);
}

// --- Fixture ----------------------------------------------------------------

Fixture::Fixture()
{
    std::string pattern = "/tmp/wendex-e2e-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        fail("mkdtemp");
    std::array<char, PATH_MAX> resolved{};
    if (realpath(pattern.c_str(), resolved.data()) == nullptr)
        fail("realpath");
    root_ = resolved.data();
}

Fixture::~Fixture()
{
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(root_, ec);
}

std::string Fixture::path(std::string_view rel) const
{
    return rel.empty() ? root_ : root_ + "/" + std::string(rel);
}

void Fixture::set_mtime(std::string_view rel, Stamp mtime) const
{
    const std::timespec times[2] = {{to_time(mtime), 0}, {to_time(mtime), 0}};
    if (utimensat(AT_FDCWD, path(rel).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        fail("utimensat " + path(rel));
}

void Fixture::file(std::string_view rel, std::uint64_t size, Stamp mtime, mode_t mode)
{
    const int fd = open(path(rel).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        fail("open " + path(rel));
    const bool sized = ftruncate(fd, static_cast<off_t>(size)) == 0;
    close(fd);
    if (!sized)
        fail("ftruncate " + path(rel));
    set_mtime(rel, mtime);
    if (chmod(path(rel).c_str(), mode) != 0)
        fail("chmod " + path(rel));
}

void Fixture::fifo(std::string_view rel, Stamp mtime)
{
    if (mkfifo(path(rel).c_str(), 0644) != 0)
        fail("mkfifo " + path(rel));
    set_mtime(rel, mtime);
}

void Fixture::dir(std::string_view rel, Stamp mtime)
{
    if (mkdir(path(rel).c_str(), 0755) != 0)
        fail("mkdir " + path(rel));
    dir_times_.emplace_back(rel, mtime);
}

void Fixture::seal()
{
    // Later directories may lie inside earlier ones; set the inner ones first.
    for (auto it = dir_times_.rbegin(); it != dir_times_.rend(); ++it)
        set_mtime(it->first, it->second);
}

// --- Runner -----------------------------------------------------------------

namespace {

std::vector<std::string> child_environment(const RunOptions& options)
{
    std::vector<std::string> env{"TZ=UTC"};
    if (!options.search_path.empty())
        env.push_back("PATH=" + options.search_path);
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            env.push_back(std::string(name) + "=" + value);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> out;
    for (auto& text : texts)
        out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

// Run by root, the binary is started through setpriv as uid and gid 65534
// with no groups, so that permissions apply to it.
constexpr const char* SETPRIV = "/usr/bin/setpriv";

std::vector<std::string> command_line(const std::vector<std::string>& args, bool as_nobody)
{
    std::vector<std::string> argv;
    if (as_nobody && geteuid() == 0)
        argv = {SETPRIV, "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back(WENDEX_BINARY);
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

[[noreturn]] void exec_child(std::vector<std::string> argv, const std::string& cwd, int out_fd,
                             int err_fd, const RunOptions& options)
{
    std::vector<std::string> env = child_environment(options);
    const int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd < 0 || dup2(null_fd, 0) < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0)
        _exit(126);
    if (chdir(cwd.c_str()) != 0)
        _exit(125);
    if (options.address_space != 0) {
        const rlimit limit{options.address_space, options.address_space};
        if (setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(124);
    }
    if (options.stack_bytes != 0) {
        const rlimit limit{options.stack_bytes, options.stack_bytes};
        if (setrlimit(RLIMIT_STACK, &limit) != 0)
            _exit(121);
    }
    if (options.open_files != 0) {
        const rlimit limit{options.open_files, options.open_files};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            _exit(122);
    }
    alarm(options.seconds);
    execve(argv[0].c_str(), pointers(argv).data(), pointers(env).data());
    _exit(127);
}

// Reads both pipes to their end, whichever fills first.
void drain(int out_fd, int err_fd, RunResult& result)
{
    std::array<pollfd, 2> fds{{{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&result.out, &result.err};
    int open_count = 2;
    std::array<char, 65536> chunk{};
    while (open_count > 0) {
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            fail("poll");
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t got = read(fds[i].fd, chunk.data(), chunk.size());
            if (got > 0) {
                sinks[i]->append(chunk.data(), static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
}

} // namespace

RunResult run_wendex(const std::vector<std::string>& args, const std::string& cwd,
                     const RunOptions& options)
{
    return run_program(command_line(args, options.as_nobody), cwd, options);
}

RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const RunOptions& options)
{
    int out_pipe[2];
    int err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0)
        fail("pipe");
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0)
        exec_child(argv, cwd, out_pipe[1], err_pipe[1], options);
    close(out_pipe[1]);
    close(err_pipe[1]);
    RunResult result;
    drain(out_pipe[0], err_pipe[0], result);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            fail("waitpid");
    if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    } else {
        result.exit_code = WEXITSTATUS(status);
    }
    return result;
}

// --- Expected texts ---------------------------------------------------------

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
    std::string out = "C:";
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
    const std::time_t when = (info.stx_mask & STATX_BTIME) != 0
                                 ? static_cast<std::time_t>(info.stx_btime.tv_sec)
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
    std::vector<std::string> args;
    for (const auto& arg : row.args)
        args.push_back(expand(arg, tree, false));
    const RunResult result = run_wendex(args, tree.path(row.cwd), options);
    const std::string expected = expand(row.expected, tree, true);
    EXPECT_EQ(result.signal, 0) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exit_code, row.exit_code);
    EXPECT_EQ(result.err, "");
    if (expected.find(FREE) != std::string::npos) {
        expect_with_free(result.out, expected);
    } else {
        EXPECT_EQ(result.out, expected);
    }
}

void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name << ":";
    for (const auto& arg : row.args)
        *os << " '" << arg << "'";
    if (!row.cwd.empty())
        *os << " in " << row.cwd;
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

TEST_P(StandardTreeTest, PrintsExpectedBytes)
{
    check_row(GetParam(), standard_tree());
}

} // namespace e2e
