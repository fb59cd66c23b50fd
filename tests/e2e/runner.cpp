// End-to-end runner: the built binary started in a tree with TZ=UTC, under
// the limits and identity a row asks for, its output and exit read back.
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/statfs.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <locale.h>
#include <map>
#include <stdexcept>
#include <tuple>

#include "tests/e2e/harness.h"

namespace e2e {

namespace {

// A directory under /tmp, removed with everything in it when the tests end.
struct TemporaryDir {
    std::string path = "/tmp/wendex-locales-XXXXXX";
    TemporaryDir()
    {
        if (mkdtemp(path.data()) == nullptr)
            fail("mkdtemp");
    }
    TemporaryDir(const TemporaryDir&) = delete;
    TemporaryDir& operator=(const TemporaryDir&) = delete;
    ~TemporaryDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// Where a locale the machine lacks is made for the tests (ja_JP.UTF-8, under
// which Wine gives a program code page 932): once per test run, with
// localedef; nothing for a locale the machine has. The C library keeps a
// little of what it reads through LOCPATH to the end, which LeakSanitizer
// would call a leak of the program's: lsan.supp beside it says otherwise.
std::optional<std::string> locale_path(const std::string& locale)
{
    static TemporaryDir dir;
    static std::map<std::string, std::optional<std::string>> made;
    if (const auto known = made.find(locale); known != made.end())
        return known->second;
    std::optional<std::string> path;
    if (const locale_t present = newlocale(LC_ALL_MASK, locale.c_str(), locale_t{}))
        freelocale(present);
    else if (const std::size_t dot = locale.find('.'); dot != std::string::npos) {
        const RunResult made_it = run_program({"/usr/bin/localedef", "-i", locale.substr(0, dot), "-f",
                                               locale.substr(dot + 1), dir.path + "/" + locale},
                                              "/");
        if (made_it.exit_code != 0)
            throw std::runtime_error("localedef could not make " + locale + ": " + made_it.err);
        std::ofstream(dir.path + "/lsan.supp") << "leak:__argz_add_sep\n";
        path = dir.path;
    }
    return made[locale] = path;
}

std::vector<std::string> child_environment(const RunOptions& options)
{
    std::vector<std::string> env{"TZ=UTC"};
    const char* leak_options = std::getenv("LSAN_OPTIONS");
    std::string leaks = leak_options != nullptr ? leak_options : "";
    // The run's own locale before Wine's: a program reads the first of two.
    if (!options.locale.empty()) {
        env.push_back("LC_ALL=" + options.locale);
        if (const auto path = locale_path(options.locale)) {
            env.push_back("LOCPATH=" + *path);
            leaks.append(leaks.empty() ? "" : ":").append("suppressions=").append(*path);
            leaks.append("/lsan.supp:print_suppressions=0");
        }
    }
    if (on_wine())
        add_wine_environment(env);
    if (!options.search_path.empty())
        env.push_back("PATH=" + options.search_path);
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            env.push_back(std::string(name) + "=" + value);
    if (!leaks.empty())
        env.push_back("LSAN_OPTIONS=" + leaks);
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
    if (on_wine())
        return wine_command(args);
    std::vector<std::string> argv;
    if (as_nobody && geteuid() == 0)
        argv = {SETPRIV, "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back(WENDEX_BINARY);
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// Standard output as the options ask: the pipe, or a descriptor that fails.
bool redirect_stdout(Stdout to, int out_fd)
{
    int broken[2];
    termios raw{};
    switch (to) {
    case Stdout::PIPE: return dup2(out_fd, 1) >= 0;
    case Stdout::TERMINAL: // out_fd: the terminal's own side; nothing is translated on it
        if (tcgetattr(out_fd, &raw) != 0)
            return false;
        cfmakeraw(&raw);
        return tcsetattr(out_fd, TCSANOW, &raw) == 0 && dup2(out_fd, 1) >= 0;
    case Stdout::DEV_FULL: return dup2(open("/dev/full", O_WRONLY), 1) >= 0;
    case Stdout::CLOSED: return close(1) == 0;
    case Stdout::READ_ONLY: return dup2(open("/dev/null", O_RDONLY), 1) >= 0;
    case Stdout::BROKEN_PIPE:
        return pipe(broken) == 0 && close(broken[0]) == 0 && dup2(broken[1], 1) >= 0;
    }
    return false;
}

// From here on the host refuses every question for the working directory
// (getcwd fails with EACCES), as a sandbox may.
bool refuse_current_dir()
{
    std::array<sock_filter, 4> filter{{
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_getcwd, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    }};
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

[[noreturn]] void exec_child(std::vector<std::string> argv, std::vector<std::string> env,
                             const std::string& cwd, int out_fd, int err_fd,
                             const RunOptions& options)
{
    const int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd < 0 || dup2(null_fd, 0) < 0 || dup2(err_fd, 2) < 0 ||
        !redirect_stdout(options.stdout_to, out_fd))
        _exit(126);
    if (options.ignore_sigpipe)
        signal(SIGPIPE, SIG_IGN);
    if (chdir(cwd.c_str()) != 0)
        _exit(125);
    // Each limit asked for, with the exit code that says it could not be set.
    const std::array<std::tuple<int, rlim_t, int>, 3> limits{{
        {RLIMIT_AS, options.address_space, 124},
        {RLIMIT_STACK, options.stack_bytes, 121},
        {RLIMIT_NOFILE, options.open_files, 122},
    }};
    for (const auto& [resource, bound, refused] : limits) {
        const rlimit limit{bound, bound};
        if (bound != 0 && setrlimit(resource, &limit) != 0)
            _exit(refused);
    }
    // Descriptors 3 up to 2 + inherited_files open, whatever was open before.
    for (int last = 2; options.inherited_files > 0 && last < 2 + int(options.inherited_files);)
        if ((last = open("/dev/null", O_RDONLY)) < 0)
            _exit(119);
    if (options.no_current_dir && !refuse_current_dir())
        _exit(120);
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
            } else if (got == 0 || errno != EINTR) { // EIO: a terminal's other side closed
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
}

// Replaces the output pipe by a pseudo-terminal: its controlling side to
// read, its terminal side for the child's standard output.
void open_terminal(int (&ends)[2])
{
    close(ends[0]);
    close(ends[1]);
    ends[0] = posix_openpt(O_RDWR | O_NOCTTY);
    if (ends[0] < 0 || grantpt(ends[0]) != 0 || unlockpt(ends[0]) != 0)
        fail("posix_openpt");
    ends[1] = open(ptsname(ends[0]), O_RDWR | O_NOCTTY);
    if (ends[1] < 0)
        fail("open the terminal side");
}

} // namespace

// Under load, Wine's launcher now and then ends with 1, silently, before the
// program has run. wendex.exe itself never ends so: each of its exits with 1
// writes the usage text or the drive message first. Such a run is made
// again, at most twice, and said on the test's standard error.
namespace {

bool launcher_gave_up(const RunResult& result, const RunOptions& options)
{
    return on_wine() && options.stdout_to == Stdout::PIPE && result.exit_code == 1 &&
           result.out.empty() && result.err.empty();
}

} // namespace

RunResult run_wendex(const std::vector<std::string>& args, const std::string& cwd,
                     const RunOptions& options)
{
    constexpr int LAUNCH_TRIES = 3;
    RunResult result;
    for (int attempt = 1; attempt <= LAUNCH_TRIES; ++attempt) {
        result = run_program(command_line(args, options.as_nobody), cwd, options);
        if (on_wine())
            result.err = without_wine_notes(result.err);
        if (!launcher_gave_up(result, options))
            break;
        std::cerr << "note: Wine's launcher ended with 1 and no output (try " << attempt << ")\n";
    }
    return result;
}

std::optional<RunResult> run_wendex_with_mounts(const std::string& setup,
                                                const std::vector<std::string>& args,
                                                const std::string& cwd)
{
    constexpr const char* UNSHARE = "/usr/bin/unshare";
    constexpr int REFUSED = 99;
    if (on_wine() || geteuid() != 0 || access(UNSHARE, X_OK) != 0)
        return std::nullopt;
    std::vector<std::string> argv = {
        UNSHARE,      "-m", "/bin/sh", "-c", "{ " + setup + "; } || exit 99; exec \"$0\" \"$@\"",
        WENDEX_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    RunResult result = run_program(argv, cwd);
    if (result.exit_code == REFUSED || result.err.starts_with("unshare:"))
        return std::nullopt;
    return result;
}

RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const RunOptions& options)
{
    int out_pipe[2];
    int err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0)
        fail("pipe");
    if (options.stdout_to == Stdout::TERMINAL)
        open_terminal(out_pipe);
    std::vector<std::string> env = child_environment(options); // made here: it may run localedef
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0)
        exec_child(argv, std::move(env), cwd, out_pipe[1], err_pipe[1], options);
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

std::unique_ptr<DelayMount> DelayMount::mount(const std::string& source, unsigned delay_us,
                                              const std::string& mode)
{
#ifdef WENDEX_DELAY_FS
    constexpr long FUSE_MAGIC = 0x65735546;
    constexpr int TENTHS_TO_WAIT = 50;
    if (on_wine() || geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0 ||
        access("/usr/bin/fusermount3", X_OK) != 0)
        return nullptr;
    char pattern[] = "/tmp/wendex-share-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return nullptr;
    std::vector<std::string> argv = {WENDEX_DELAY_FS, "--source", source, "--mountpoint",
                                           pattern, "--delay-us", std::to_string(delay_us),
                                           "--mode", mode};
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[0].c_str(), pointers(argv).data());
        _exit(127);
    }
    std::unique_ptr<DelayMount> share(new DelayMount(pattern, pid));
    for (int tenth = 0; tenth < TENTHS_TO_WAIT; ++tenth) {
        struct statfs mounted {};
        if (statfs(pattern, &mounted) == 0 && mounted.f_type == FUSE_MAGIC)
            return share;
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            share->pid_ = -1;
            return nullptr;
        }
        usleep(100'000);
    }
    return nullptr;
#else
    (void)source, (void)delay_us, (void)mode;
    return nullptr;
#endif
}

DelayMount::~DelayMount()
{
    if (run_program({"/usr/bin/fusermount3", "-u", path_}, "/").exit_code != 0)
        umount2(path_.c_str(), MNT_DETACH);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    rmdir(path_.c_str());
}

} // namespace e2e
