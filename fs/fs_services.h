// The services the listing logic is built on. The host operations (namespace
// host) are what every host layer supplies: the unfiltered directory search,
// the volume, full paths, free space, file-time conversion, the current drive
// and directory, the walk's moves, the stack, the code page and the output.
// The layer of the host the program is built for (fs/posix/ or fs/win32/) is the one place
// that includes an operating-system header. Above the host operations stand
// host-neutral services written once: the attribute-matched search and the
// copied full path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

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

// Every failure below is told by what the operation returns, as written
// beside it; none leaves errno or the host's last error for the caller to
// read.

// --- Unfiltered directory search ------------------------------------------
// Every entry matching the pattern's last component ('*' any run, '?' one
// character, case-blind; "*" and "*.*" match names without a '.'), "." and
// ".." included, in the host's own order.
struct Search; // the layer's own
using SearchHandle = Search*;
inline constexpr SearchHandle INVALID_SEARCH = nullptr;

// Starts a search and fills the first match. On failure INVALID_SEARCH, and
// no search stays open; read_failed, when given, then says why: true when
// the directory is there but failed to read (no read permission, an I/O
// error, no memory or descriptors), false when nothing matches or the
// directory does not exist. A read failure is reported, never taken for an
// empty directory.
SearchHandle FindFirstFileA(const char* pattern, FindResult& result, bool* read_failed = nullptr);

// A directory the walk's step down opened and made current (enter_subdir),
// handed to the pass that lists it, which then reads it without opening it
// again. The layer's own; whoever holds it last closes it.
struct OpenedDir;
struct OpenedDirCloser {
    void operator()(OpenedDir* directory) const;
};
using EnteredDir = std::unique_ptr<OpenedDir, OpenedDirCloser>;

// What a directory pass asks of its search beyond the matches it lists.
struct PassSearch {
    // False when the pass lists no directories: matching directories are
    // then not delivered (nor described).
    bool deliver_directories = true;
    // When set, every subdirectory a walk may enter (not a link or reparse
    // point, not "." or ".."), matching the pattern or not, in the host's
    // order, as gather_if_enterable writes them: one read of the directory
    // serves the pass and the walk.
    std::string* subdirectories = nullptr;
    // The current directory as the walk entered it, read when the pattern
    // names the current directory; closed by the search otherwise.
    EnteredDir entered;
};
// The unfiltered search as a directory pass runs it: as FindFirstFileA (its
// failures told the same way), but "." and ".." are never delivered, and
// what pass asks is done in the same read of the directory (FindNextFileA,
// FindClose and search_read_failed serve it as any search).
SearchHandle find_first_for_pass(const char* pattern, FindResult& result, PassSearch pass,
                                 bool* read_failed = nullptr);
// Fills the next match: true. False at the end or on any failure, and
// search_read_failed then says which; false, too, for INVALID_SEARCH.
bool FindNextFileA(SearchHandle search, FindResult& result);
// After FindNextFileA gave false on search: whether the directory failed to
// read on (an I/O error, an entry that could not be examined), rather than
// had nothing more to give. False for INVALID_SEARCH.
bool search_read_failed(SearchHandle search);
// Ends the search; INVALID_SEARCH is accepted and ignored. Cannot fail.
void FindClose(SearchHandle search);

// --- Volume -------------------------------------------------------------------
// The label of the volume of drive number drive (0 for A), as the host keeps
// it ("" for none).
// On failure nothing: the drive has no volume the host can read.
std::optional<std::string> volume_label(int drive);
// Every free byte of the volume holding the path, not only those the caller
// may use. On failure nothing: the host cannot say. When open_search is a running
// search of the path's directory, the layer may read it from there, without
// looking the path up again.
std::optional<std::uint64_t> disk_free_bytes(const char* path,
                                             SearchHandle open_search = INVALID_SEARCH);

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
// Makes the subdirectory name of the current directory (the directory here)
// current, reached as reach says (the layer's own text gathered with it;
// empty: by the name itself): never through a link, and only when it is a
// directory on the same volume as here. Its identity, and in entered, where
// the host can, the directory as the step opened it, for the pass that
// lists it. On failure nothing: it was not entered, the current directory
// is unchanged and entered is left empty.
std::optional<DirectoryId> enter_subdir(const char* name, const char* reach,
                                        const DirectoryId& here, EnteredDir& entered);
// Makes the parent of the current directory current and checks that it is
// the directory identified: 0. Otherwise -1: the walk is lost, and goes no
// further (the current directory is wherever ".." led).
int enter_parent_dir(const DirectoryId& parent);

// --- Stack ------------------------------------------------------------------
// Notes where the stack starts: an address in main and the argument vector.
// Called first thing in main; cannot fail.
void note_stack_start(const void* here, char** argv);
// The lowest address the stack holding here may grow down to. On failure
// 0: the host cannot say.
std::uintptr_t stack_floor(const void* here);

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
// write_output's answer when the reader has gone (a closed pipe).
inline constexpr int WRITE_READER_GONE = -1;
// Writes all of text, byte for byte, to standard output or standard error:
// 0, WRITE_READER_GONE, or the host's error number of the failure.
int write_output(Stream stream, std::string_view text);
// Whether standard output is a terminal, where a name's control bytes would
// act instead of showing; false when the host cannot say.
bool output_is_terminal();

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

// --- Gathered subdirectories -----------------------------------------------------
// Appends name and reach, each ended by a NUL, to subdirectories
// (PassSearch::subdirectories) when the entry's attribute word says a walk
// may enter it: a directory, not a link or reparse point, not "." or "..".
// reach is the layer's own way to the entry, for enter_subdir (empty: by
// its name). Nothing when subdirectories is null. Every host layer gathers
// through it, from what its host gives.
void gather_if_enterable(std::string* subdirectories, std::string_view name,
                         std::uint32_t attributes, std::string_view reach = {});

// --- Stack room ----------------------------------------------------------------
// False when the stack has too little room left for one more level of a walk
// and the pass that level runs; measured against host::stack_floor.
bool stack_has_room();

// --- Copied full path ---------------------------------------------------------
// host::full_path(text) copied into destination, NUL-padded and terminated.
void copy_full_path(PathText& destination, const char* text);
