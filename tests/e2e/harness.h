// End-to-end harness (fixture.cpp, runner.cpp, expected.cpp): throw-away
// directory trees, the built wendex run on them with TZ=UTC, and its exact
// output bytes checked against rows of expected text.
#pragma once

#include <sys/types.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

// Throws, naming the operation that failed and errno's text.
[[noreturn]] void fail(const std::string& what);

// --- Hosts (wine_host.cpp) ---------------------------------------------------
// The tests run wendex on one of two hosts: the POSIX build (WENDEX_BINARY),
// or, when the environment names a host file in WENDEX_E2E_WINE_HOST,
// wendex.exe on the Win32 layer under Wine (the file names the launcher, the
// program and the prefix, whose server the test run keeps going).
bool on_wine();
// The POSIX build with the POSIX calls alone (WENDEX_POSIX_PORTABLE): no
// birth times, and no mark of a mount's root, so that a mount point is told
// by its device alone. Here, without O_SEARCH, a directory that can be
// searched but not read cannot be opened, so the walk does not enter one.
#ifdef WENDEX_POSIX_PORTABLE
inline constexpr bool POSIX_CALLS_ALONE = true;
#else
inline constexpr bool POSIX_CALLS_ALONE = false;
#endif
// The drive a tree under /tmp is on: C: on POSIX, Z: under Wine.
char tree_drive();
// Under Wine: the roots of drive C:, labelled "Ann Work" for README's
// example, and of drive D:, labelled "Wendex Test" (the wine fixture makes
// both labels).
std::string wine_drive_c();
std::string wine_drive_d();
// Puts the names of one directory in the order its host's search gives
// them: readdir's on POSIX (left as they are), sorted by name case-blind
// under Wine, which sorts every directory it reads.
void to_search_order(std::vector<std::string>& names);
// A directory's entries in its host's search order, "." and ".." left out,
// as /u /b /a lists them: directories, and links to them, in brackets.
std::vector<std::string> entries_in_search_order(const std::string& dir);
// The names of its subdirectories alone (links left out), in that order.
std::vector<std::string> subdirs_in_search_order(const std::string& dir);
// Under Wine: whether wendex.exe carries the manifest that makes its code
// page UTF-8, rather than running in the prefix's ANSI code page (1252).
bool wine_speaks_utf8();
// The launcher's command line that runs wendex.exe with args.
std::vector<std::string> wine_command(const std::vector<std::string>& args);
// What Wine needs in the child's environment: the prefix, and no debug notes.
void add_wine_environment(std::vector<std::string>& env);
// The text without the lines Wine writes of its own that say nothing about
// the run; its other notes (a fault, a failed start) are kept.
std::string without_wine_notes(const std::string& err);

// A moment in universal time, to the second.
struct Stamp {
    int year, month, day, hour, minute, second;
};

// The stamp as seconds since the epoch.
std::time_t to_time(Stamp s);

// A temporary tree under /tmp, removed (made writable first) when it goes.
class Fixture {
public:
    Fixture();
    // A tree made by build, then sealed: the shared trees of the tables.
    explicit Fixture(void (*build)(Fixture& tree));
    ~Fixture();
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    // The tree's root as a resolved POSIX path, without a trailing '/'.
    const std::string& root() const { return root_; }
    std::string path(std::string_view rel) const;

    // A file of the given size (sparse, via ftruncate), last-write time and mode.
    void file(std::string_view rel, std::uint64_t size, Stamp mtime, mode_t mode = 0644);
    void fifo(std::string_view rel, Stamp mtime);
    // A directory; its last-write time is set by seal(), after its contents.
    void dir(std::string_view rel, Stamp mtime);
    // Sets the directory times, deepest first. Call once the tree is complete.
    void seal();

private:
    void set_mtime(std::string_view rel, Stamp mtime) const;

    std::string root_;
    std::vector<std::pair<std::string, Stamp>> dir_times_;
};

// The tree shared by most rows: files of every attribute, a FIFO, a sparse
// file past 4 GiB, hidden entries and three subdirectories.
const Fixture& standard_tree();
// Its files as adorned lines under the default order (by extension).
const std::string& standard_file_lines();
// Its directories as adorned lines with their last-write times (/g).
const std::string& standard_dir_lines();
// Its files, then its directories, as bare lines (/b) in the default order.
const std::string& standard_bare_files();
const std::string& standard_bare_dirs();

struct RunResult {
    std::string out;
    std::string err;
    int exit_code = -1; // -1 when the process died by a signal
    int signal = 0;     // the signal that ended it, 0 for a normal exit
};

// Where the child's standard output goes: the pipe the runner reads, a
// terminal (a pseudo-terminal in raw mode, read the same way), or a place it
// cannot write to.
enum class Stdout { PIPE, TERMINAL, DEV_FULL, CLOSED, READ_ONLY, BROKEN_PIPE };

// Limits and identity of one run; the defaults change nothing.
struct RunOptions {
    std::uint64_t address_space = 0; // bytes the child may map, when non-zero
    unsigned open_files = 0;         // descriptors the child may hold, when non-zero
    std::uint64_t stack_bytes = 0;   // the child's stack limit, when non-zero
    bool as_nobody = false;          // run through setpriv as uid and gid 65534, when root
    unsigned seconds = 20;           // time the run may take before SIGALRM ends it
    Stdout stdout_to = Stdout::PIPE;
    bool ignore_sigpipe = false; // the child starts with SIGPIPE ignored
    std::string search_path{};   // the child's PATH, when not empty
    std::string locale{};        // the child's LC_ALL, when not empty
    bool no_current_dir = false; // the host refuses to say which directory is current
    unsigned inherited_files = 0; // descriptors beyond its streams the child starts with open
};

// Runs WENDEX_BINARY with argv[1..] = args in cwd, environment TZ=UTC; or
// wendex.exe under Wine, whose harmless notes on standard error (such as the
// one a label of Z: brings) are left out of err.
RunResult run_wendex(const std::vector<std::string>& args, const std::string& cwd,
                     const RunOptions& options = {});

// Runs wendex as run_wendex does, in a mount namespace of its own, once the
// shell commands of setup (mount --bind, mount -t tmpfs) have run there;
// nothing when the host refuses (not root, no unshare, mounts not allowed).
std::optional<RunResult> run_wendex_with_mounts(const std::string& setup,
                                                const std::vector<std::string>& args,
                                                const std::string& cwd);

// A slow network share: source mounted read-only at path() through the
// benchmark's FUSE file system, which answers every request after delay_us
// ("nocache": keeping nothing; "cache": as an NFS client keeps what it
// reads), until it is destroyed. Null where the host cannot mount one (no
// /dev/fuse, no fusermount3, not root, the file system not built).
class DelayMount {
public:
    static std::unique_ptr<DelayMount> mount(const std::string& source, unsigned delay_us,
                                             const std::string& mode);
    DelayMount(const DelayMount&) = delete;
    DelayMount& operator=(const DelayMount&) = delete;
    ~DelayMount();
    const std::string& path() const { return path_; }

private:
    DelayMount(std::string path, int pid) : path_(std::move(path)), pid_(pid) {}
    std::string path_;
    int pid_;
};

// Runs argv[0], a full path, the same way.
RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const RunOptions& options = {});

// The text with every "\n" written as "\r\n", as the program's output stream does.
std::string crlf(std::string_view text);
// Every from in text replaced by to, left to right.
void replace_all(std::string& text, std::string_view from, std::string_view to);

// "C:" + the POSIX directory with '\' separators + '\' ("C:\" for "/").
std::string dos_dir(const std::string& posix_dir);

// The header's label part: "(label) " in lower case, or "" without a label.
std::string header_label();

// Date and time columns of an adorned line ("mm-dd-yy hh:mmX") for a
// directory's creation time, the last-write time where none is reported
// (and always under Wine, which reports none).
std::string birth_columns(const std::string& posix_path);

// Expands the placeholders of a row's text against a tree:
//   {HDR}    "directory of " + label + the root as a drive path ending in '\'
//   {DIR}    the root as a drive path ending in '\', case kept
//   {TRUE}   the same, lower-cased, as true names print it
//   {NODRIVE} {TRUE} without its "c:"
//   {POSIX}  the root as a POSIX path
//   {drive} {DRIVE}  the tree's drive letter, lower or upper case
//   {BT:rel} birth_columns of the root's entry rel
// and writes every "\n" as "\r\n" when line_ends is set.
std::string expand(std::string_view text, const Fixture& tree, bool line_ends);

// Stands for the summary's free-bytes figure in an expected text.
inline constexpr std::string_view FREE = "{FREE}";
// An expected text that is the usage text alone, after which the run ends
// with code 1.
inline constexpr std::string_view USAGE = "{USAGE}";

// What a row gives under Wine: the same bytes as on POSIX, other bytes (the
// host shows itself: 8.3 aliases, attributes, its own order), or nothing it
// can check there; the reason says which and why.
enum class OnWine { SAME, DIFFERS, SKIPPED };
struct WineCase {
    OnWine what = OnWine::SAME;
    std::string expected;
    std::string reason;
    std::string fault{}; // why Wine's text could not be made: the row fails on every host
};

// A piece of a row's expected text and what Wine gives in its place.
struct WineEdit {
    std::string linux_text;
    std::string wine_text;
};
using WineEdits = std::vector<WineEdit>;

// One table row: arguments, expected output, exit code, the working
// directory relative to the tree's root, and what Wine gives.
struct Row {
    std::string name;
    std::vector<std::string> args;
    std::string expected;
    int exit_code = 0;
    std::string cwd = "";
    WineCase wine{};
    std::string locale = ""; // the run's LC_ALL, when not empty
};

// Why a row's output differs under Wine.
inline constexpr const char* WINE_ALIASES =
    "names that are no 8.3 name show the alias Wine made for them, and sort by it";
inline constexpr const char* WINE_NO_FIFO = "a FIFO is a plain file to Win32: archive, not system";

// Why a test of permissions cannot run under Wine.
inline constexpr const char* WINE_AS_ROOT =
    "under Wine: it runs only as the prefix's owner (root), whom permissions do not stop";

// The row with its output under Wine, and why that differs.
Row wine_gives(Row row, std::string expected, std::string reason);
// The text with each edit made in turn; an edit whose piece does not stand
// in the text exactly once is told in fault.
std::string edited(std::string text, const WineEdits& edits, std::string& fault);
// The row whose output under Wine is its own text edited so, and why.
Row wine_edits(Row row, const WineEdits& edits, std::string reason);
// The row, skipped under Wine for the reason given.
Row wine_skips(Row row, std::string reason);
// The row, run with LC_ALL set to locale.
Row in_locale(std::string locale, Row row);
// A row that lists the standard tree in the default order, as Wine gives it
// (standard_tree.cpp): the adorned columns of its names that are no 8.3 name
// show their aliases, its FIFO is a plain file, the edits are made (each
// must be there), and the entries' lines come in the order of the aliases.
Row standard_on_wine(Row row, const WineEdits& edits = {});

// Rows run on the standard tree; each test file instantiates its own tables.
class StandardTreeTest : public ::testing::TestWithParam<Row> {};

// Shows a row in failure messages by its name and arguments.
void PrintTo(const Row& row, std::ostream* os);

// Names the parameterised test after the row.
struct RowName {
    template <class Info> std::string operator()(const Info& info) const { return info.param.name; }
};

// Runs the row on the tree and checks output bytes, exit code, that no
// signal ended the run and that nothing went to standard error.
void check_row(const Row& row, const Fixture& tree, const RunOptions& options = {});

// The output of a run that printed nothing but the usage text, as a pattern.
bool is_usage_text(const std::string& out);

} // namespace e2e
