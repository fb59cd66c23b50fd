// The services the listing logic is built on. The host operations (namespace
// host) are what every host layer supplies: the unfiltered directory search,
// the volume, full paths, free space, file-time conversion, the current drive
// and directory, the walk's moves, the stack, the code page and the output.
// The layer of the host the program is built for (fs/posix/ or fs/win32/) is
// the one place that includes an operating-system header. Above the host
// operations stand host-neutral services written once: the attribute-matched
// search, the stack's room and the copied full path. What serves speed alone
// is apart, in fs/walk_ahead.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/code_page.h"
#include "fs/path_split.h"
#include "text/case_map.h"
#include "text/fixed_text.h"

// Attribute bits of an entry, as the host gives them.
inline constexpr std::uint32_t ATTR_READONLY = 0x01;
inline constexpr std::uint32_t ATTR_HIDDEN = 0x02;
inline constexpr std::uint32_t ATTR_SYSTEM = 0x04;
inline constexpr std::uint32_t ATTR_VOLUME_LABEL = 0x08;
inline constexpr std::uint32_t ATTR_DIRECTORY = 0x10;
inline constexpr std::uint32_t ATTR_ARCHIVE = 0x20;
inline constexpr std::uint32_t ATTR_REPARSE_POINT = 0x400; // a link: listed, never entered

// 100-nanosecond intervals since 1601-01-01 00:00 universal time.
using FileTime = std::uint64_t;
inline constexpr FileTime TICKS_PER_SECOND = 10'000'000;

inline constexpr std::size_t ALT_NAME_ROOM = 14;

// One result of the unfiltered directory search, shaped like the host's
// find-data record so that capture reads the same fields on every host.
struct FindResult {
    std::uint32_t dwFileAttributes = 0;
    FileTime ftCreationTime = 0;
    FileTime ftLastAccessTime = 0;
    FileTime ftLastWriteTime = 0;
    std::uint32_t nFileSizeHigh = 0;
    std::uint32_t nFileSizeLow = 0;
    std::array<char, PATH_ROOM> cFileName{};
    std::array<char, ALT_NAME_ROOM> cAlternateFileName{}; // empty: no 8.3 alias
};

// The identity of a directory on its host: a volume and a node on it.
struct DirectoryId {
    std::uint64_t device = 0;
    std::uint64_t node = 0;

    bool operator==(const DirectoryId&) const = default;
};

// How a path's directories are looked up: as typed, or, where one does not
// exist as typed, as the first entry that matches it in any case (on a host
// whose names have case). A path the run saved itself is looked up AS_TYPED.
enum class PathLookup { ANY_CASE, AS_TYPED };

namespace host {

// Failures are told one way. An operation the host's own interface names
// keeps the shape it has there (the searches, full_path, the current drive
// and directory). Every other one gives std::optional for a value (nothing:
// it failed) and bool for an act (false: not done). A directory that could
// not be read is told through read_failed() alone. None leaves errno or the
// host's last error for the caller to read.

// --- Unfiltered directory search ------------------------------------------
// Every entry matching the pattern's last component ('*' any run, '?' one
// character, case-blind; "*" and "*.*" match names without a '.'), "." and
// ".." included, in the host's own order.
struct Search; // the layer's own
using SearchHandle = Search*;
inline constexpr SearchHandle INVALID_SEARCH = nullptr;

// Starts a search and fills the first match; INVALID_SEARCH when there is
// none, and no search stays open.
SearchHandle FindFirstFileA(const char* pattern, FindResult& result);
// Fills the next match: true. False at the end, on any failure, and for
// INVALID_SEARCH.
bool FindNextFileA(SearchHandle search, FindResult& result);
// Ends the search; INVALID_SEARCH is accepted and ignored. Cannot fail.
void FindClose(SearchHandle search);
// After FindFirstFileA gave INVALID_SEARCH or FindNextFileA gave false: true
// when the directory is there but failed to read (no read permission, an I/O
// error, an entry that could not be examined, no memory or descriptors),
// false when there was nothing (more) to give. A directory that fails to
// read is said, never taken for an empty one or for the end of one.
bool read_failed();
// Whether the run lists directories. Where it does not, a search delivers a
// directory with the attribute word its entry alone gives (directory,
// hidden, a link's reparse point) and neither times nor size, sparing the
// host a question per directory; "." and ".." always come so. Set once,
// before the listing; until then directories are described.
void describe_directories(bool described);

// --- Volume -------------------------------------------------------------------
// The label of the volume of drive number drive (0 for A), as the host keeps
// it ("" for none).
// On failure nothing: the drive has no volume the host can read.
std::optional<std::string> volume_label(int drive);
// Every free byte of the volume holding the path, not only those the caller
// may use. On failure nothing: the host cannot say.
std::optional<std::uint64_t> disk_free_bytes(const char* path);

// --- Full paths -------------------------------------------------------------
// The text made absolute against the current directory of the drive it names,
// "." and ".." resolved, the drive prefix in front; wildcards, case and a
// trailing '\' kept; the file system is not consulted. A static buffer that
// the next call overwrites. On failure (no full form, or none that fits a
// path buffer) the text itself, null for null.
const char* full_path(const char* text);
// The same with no limit on the length of the result: the full form of a
// directory too deep for a path buffer. On failure nothing: there is none.
std::optional<std::string> full_path_long(const char* text);
// The full form as a header shows it where full_path_long has none because
// the host's code page cannot hold a character of it (and no 8.3 alias
// stands in): '?' for that character. It names no place: never a path. On
// failure nothing.
std::optional<std::string> full_path_shown(const char* text);

// --- File times -------------------------------------------------------------
// Universal to local time by the host's time-zone rules: true. local may be
// time. On failure false, and local holds the universal time unchanged.
bool FileTimeToLocalFileTime(const FileTime& time, FileTime& local);
// Local file time to DOS date and time words: true. Outside 1980-01-01
// 00:00:00 .. 2107-12-31 23:59:58 false, and the words hold the nearer edge:
// they are always filled.
bool FileTimeToDosDateTime(const FileTime& local, std::uint16_t& date, std::uint16_t& time);

// --- Current drive and directory ---------------------------------------------
// The full current directory ("C:\WORK\SUB", a trailing '\' only at a root).
// On failure null: the host cannot name it, or its text does not fit a path
// buffer or would not name it again.
std::unique_ptr<PathText> get_current_dir();
// Makes the path current (a path naming another drive makes that drive
// current too, and the directory is recorded as that drive's own): 0. On
// failure -1, and the current drive and directory are unchanged.
int set_current_dir(const char* path, PathLookup lookup = PathLookup::ANY_CASE);
// The current drive's number, 0 for A; -1 when the current directory is on
// no drive (a network path).
int get_drive();
// Makes drive number current (0 for A), with the directory recorded for it,
// or its root. Returns the count of drives, whatever happened: a failure
// leaves the drive unchanged, which callers check with get_drive().
int set_drive(int number);

// --- The walk's moves ----------------------------------------------------------
// The walk goes down by name and comes back up through "..", checking each
// step against the identity of the directory it expects, so that a tree that
// changes during the walk cannot steer it outside. No move keeps a directory
// open beyond the pass that lists it, so a tree of any depth is walked with a
// handful of descriptors.

// The identity of the current directory. On failure nothing: the host
// cannot say.
std::optional<DirectoryId> current_dir_id();

// A directory of the current directory as the host describes it.
struct Subdirectory {
    std::string name;             // as the listing shows it
    std::uint32_t attributes = 0; // the directory bit, and a link's reparse-point bit
    std::string reach;            // the layer's own way to it; empty: by its name
};
// The directories of the current directory, "." and ".." left out, in the
// host's order: those the pass's search found where it read the directory
// whole (one read serves the pass and the walk), or else those a read of its
// own finds. On failure nothing: the directory failed to read.
std::optional<std::vector<Subdirectory>> subdirectories();
// Makes the subdirectory child of the current directory (the directory here)
// current: never through a link, and only when it is a directory on the same
// volume as here. Its identity; on failure nothing, and the current
// directory is unchanged.
std::optional<DirectoryId> enter_subdir(const Subdirectory& child, const DirectoryId& here);
// Makes the parent of the current directory current and checks that it is
// the directory identified: true. Otherwise false: the walk is lost, and
// goes no further (the current directory is wherever ".." led).
bool enter_parent_dir(const DirectoryId& parent);

// --- Stack ------------------------------------------------------------------
// Notes where the stack starts: an address in main and the argument vector.
// Called first thing in main; cannot fail.
void note_stack_start(const void* here, char** argv);
// The lowest address the stack holding here may grow down to. On failure
// nothing: the host cannot say.
std::optional<std::uintptr_t> stack_floor(const void* here);

// --- Code page ----------------------------------------------------------------
// The code page the host's names and texts are in, as it stands at start:
// single-byte, double-byte (with its lead bytes) or UTF-8. Asked once, at
// start, and handed to use_code_page for every text rule of the run. Cannot
// fail: a host that cannot say gives the single-byte page, byte for byte.
CodePage code_page();

// --- Arguments ----------------------------------------------------------------
// Whether argument number index of the program's argument vector (the text
// given) lost characters on its way in: a host that hands a program its
// command line in a narrow code page writes '?' or a look-alike for a
// character the code page cannot hold, and the text then names something
// else. False where the argument came as it was typed.
bool argument_lost_characters(int index, const char* argument);

// --- Output -------------------------------------------------------------------
enum class Stream { STANDARD_OUTPUT, STANDARD_ERROR };
// How a write ended: all of it written, its reader gone (a closed pipe), or
// failed.
enum class Written { ALL, READER_GONE, FAILED };
// Writes all of text, byte for byte, to standard output or standard error.
Written write_output(Stream stream, std::string_view text);
// Whether standard output is a terminal, where a name's control bytes would
// act instead of showing; false when the host cannot say.
bool output_is_terminal();
// Called first thing in main: a standard stream the run was started without
// gets a stand-in that takes no writes, so that no directory the run opens
// takes its place (and the output still fails as a closed one does).
void hold_standard_streams();

} // namespace host

// --- Attribute-matched search -------------------------------------------------
// Written once over the unfiltered search: an entry is delivered when it is
// neither hidden, system nor a directory, or when it shares one of those bits
// with the requested attributes. ATTR_VOLUME_LABEL asks for the volume label
// of the pattern's drive alone.
inline constexpr std::size_t BLOCK_NAME_ROOM = 256;

// One running attribute-matched search and its last result. The block keeps
// the pattern pointer, not a copy: the text must outlive the search.
struct FindBlock {
    FindBlock() = default;
    FindBlock(const FindBlock&) = delete;
    FindBlock& operator=(const FindBlock&) = delete;
    ~FindBlock();

    std::uint32_t attributes = 0; // attribute word of the last result
    std::uint16_t dos_time = 0;   // last-write time of the last result, local
    std::uint16_t dos_date = 0;
    std::uint32_t size_low = 0;
    std::array<char, BLOCK_NAME_ROOM> name{};

    // The search's own state.
    host::SearchHandle search = host::INVALID_SEARCH;
    const char* pattern = nullptr;
    std::uint32_t requested = 0;
    bool label_delivered = false;
};

// Delivers the first accepted result: 0 when one was delivered, non-zero
// otherwise. Starting a search on a block ends the search it held.
int find_first(const char* pattern, FindBlock& block, std::uint32_t attributes);
int find_next(FindBlock& block);
// Ends the search; harmless on a block that failed to start or has ended.
void find_close(FindBlock& block);

// --- Stack room ----------------------------------------------------------------
// False when the stack has too little room left for one more level of a walk
// and the pass that level runs; measured against host::stack_floor.
bool stack_has_room();

// --- Copied full path ---------------------------------------------------------
// host::full_path(text) copied into destination, NUL-padded and terminated
// (the empty text for null).
void copy_full_path(PathText& destination, const char* text);
