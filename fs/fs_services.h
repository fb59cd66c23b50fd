// The host operations the listing logic is built on: the two directory
// searches, full paths, free space, file-time conversion, the current drive
// and directory, and the output stream. Everything above fs/ speaks only these
// operations; the POSIX layer (fs/posix_*.cpp) is the one place that includes
// an operating-system header, so a native Windows layer could stand beside it.
#pragma once

#include <array>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// A path buffer: at most 259 characters and the terminating NUL.
inline constexpr std::size_t PATH_ROOM = 260;
using PathText = std::array<char, PATH_ROOM>;

// Attribute bits of an entry, as the host gives them.
inline constexpr std::uint32_t ATTR_READONLY = 0x01;
inline constexpr std::uint32_t ATTR_HIDDEN = 0x02;
inline constexpr std::uint32_t ATTR_SYSTEM = 0x04;
inline constexpr std::uint32_t ATTR_VOLUME_LABEL = 0x08;
inline constexpr std::uint32_t ATTR_DIRECTORY = 0x10;
inline constexpr std::uint32_t ATTR_ARCHIVE = 0x20;
inline constexpr std::uint32_t ATTR_REPARSE_POINT = 0x400; // a symbolic link

// The one drive of a POSIX host: C:, whose root is "/".
inline constexpr int DRIVE_C = 2;

// 100-nanosecond intervals since 1601-01-01 00:00 universal time.
using FileTime = std::uint64_t;

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

// --- Unfiltered directory search ------------------------------------------
// Delivers every entry matching the pattern's last component ('*', '?',
// case-blind), "." and ".." included, in the host's own order.
struct HostSearch;
using SearchHandle = HostSearch*;
inline constexpr SearchHandle INVALID_SEARCH = nullptr;

// Starts a search and fills the first match; INVALID_SEARCH when nothing
// matches or the directory cannot be read (no search stays open then).
SearchHandle FindFirstFileA(const char* pattern, FindResult& result);
// Fills the next match; false at the end or on any failure.
bool FindNextFileA(SearchHandle search, FindResult& result);
// Ends the search; INVALID_SEARCH is accepted and ignored.
void FindClose(SearchHandle search);

// --- Attribute-matched search ---------------------------------------------
inline constexpr std::size_t BLOCK_NAME_ROOM = 256;

// A wildcard search's accepted entries, read in one go; host layer only.
struct HostListing;

// One running attribute-matched search and its last result. The block keeps
// the pattern pointer, not a copy: the text must outlive the search.
//
// A pattern with a wildcard is read to its end when the search starts, so a
// running search holds no open directory: a walk may keep one running on
// every level of a tree of any depth. Such a search describes each entry by
// its directory entry alone where the host gives its type there: the
// attribute word then has no read-only bit, and the time and size words are
// zero. Nothing reads them of a block but the name and the other bits.
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

    // The search's own state; read by the host layer alone.
    SearchHandle search = INVALID_SEARCH;
    HostListing* listing = nullptr;
    const char* pattern = nullptr;
    std::uint32_t requested = 0;
    bool label_delivered = false;
    bool read_failed = false; // the directory failed to read on before its end
};

// Delivers the first accepted result: an entry that is neither hidden, system
// nor a directory, or that shares one of those bits with `attributes`. With
// ATTR_VOLUME_LABEL the one result is the volume label of the pattern's
// drive. 0 when a result was delivered, non-zero otherwise. Starting a search
// on a block ends the search it held.
int find_first(const char* pattern, FindBlock& block, std::uint32_t attributes);
int find_next(FindBlock& block);
// Ends the search; harmless on a block that failed to start or has ended.
void find_close(FindBlock& block);

// After a search step that gave no result (FindFirstFileA, FindNextFileA,
// find_first, find_next): whether the directory failed to read on, an I/O
// error, rather than had nothing more to give. Such a failure is reported,
// never taken for the end of a directory.
bool search_read_failed();

// --- Full paths -------------------------------------------------------------
// The text made absolute against the current directory, "." and ".."
// resolved, '\' as separator, "C:" in front; wildcards, case and a trailing
// '\' kept; the file system is not consulted. Returns a static buffer that the
// next call overwrites, or the text itself when no full form fits.
const char* full_path(const char* text);
// full_path(text) copied into destination, NUL-padded and always terminated.
void copy_full_path(PathText& destination, const char* text);

// --- Free space -------------------------------------------------------------
// Every free byte of the volume holding the path (or its nearest existing
// parent); nothing when the host cannot say.
std::optional<std::uint64_t> disk_free_bytes(const char* path);

// --- File times -------------------------------------------------------------
// Universal to local time by the host's time-zone rules for that date.
bool FileTimeToLocalFileTime(const FileTime& time, FileTime& local);
// Local file time to DOS date and time words. Outside 1980-01-01 00:00:00 ..
// 2107-12-31 23:59:58 the words hold the nearer edge and the result is false.
bool FileTimeToDosDateTime(const FileTime& local, std::uint16_t& date, std::uint16_t& time);

// --- Current drive and directory ---------------------------------------------
// The full current directory ("C:\home\ann", "C:\" at the root), or nothing
// when it does not fit a path buffer or its text would name another place.
std::unique_ptr<PathText> get_current_dir();
// How a path's directories are looked up: as typed, or, where one does not
// exist as typed, as the first entry that matches it in any case. A path the
// run saved itself is always looked up AS_TYPED.
enum class PathLookup { ANY_CASE, AS_TYPED };
// Makes the path (with or without "C:") current: 0 on success, -1 on failure.
int set_current_dir(const char* path, PathLookup lookup = PathLookup::ANY_CASE);
// The current drive's number, 0 for A; always DRIVE_C here.
int get_drive();
// Makes drive number current (0 for A); only DRIVE_C exists, and making it
// current keeps the current directory. Returns the count of drives.
int set_drive(int number);

// --- The walk's moves ----------------------------------------------------------
// The walk goes down by name and comes back up through "..", checking each
// step against the identity of the directory it expects, so that a tree that
// changes during the walk cannot steer it outside. No move keeps a directory
// open, so a tree of any depth is walked with a handful of descriptors.
struct DirectoryId {
    std::uint64_t device = 0;
    std::uint64_t node = 0;

    bool operator==(const DirectoryId&) const = default;
};
// The identity of the current directory; nothing when the host cannot say.
std::optional<DirectoryId> current_dir_id();
// Makes the subdirectory name of the current directory (the directory here)
// current: never through a symbolic link, and only when it is a directory on
// the same volume as here. Its identity; nothing when it was not entered, and
// the current directory is then unchanged.
std::optional<DirectoryId> enter_subdir(const char* name, const DirectoryId& here);
// Makes the parent of the current directory current when it is the directory
// identified: 0. Otherwise -1, and the current directory is unchanged.
int enter_parent_dir(const DirectoryId& parent);

// --- Deep directories ---------------------------------------------------------
// Below a full path of 259 characters a directory has no full form that fits a
// path buffer; headers then name it in full through this.
// full_path with no limit on the length of the result; nothing when the text
// names another drive or the current directory cannot be named.
std::optional<std::string> full_path_long(const char* text);

// --- Stack ------------------------------------------------------------------
// Notes where the stack starts: an address in main and the argument vector,
// whose texts lie at the top of the stack. Called first thing in main.
void note_stack_start(const void* here, char** argv);
// False when the stack has too little room left for one more level of a walk
// and the pass that level runs.
bool stack_has_room();

// --- Output -------------------------------------------------------------------
// Thrown when standard output can no longer be written: the run cannot go on,
// since nothing it lists would reach its reader.
struct OutputFailure {};

// Whether names and labels from the file system are written as they are, or
// with their control bytes (0x00-0x1F, 0x7F) shown as '?' for a terminal.
enum class NameBytes { AS_THEY_ARE, CONTROLS_SHOWN };

// A buffered text stream: every '\n' written reaches the output as "\r\n".
// The standard stream writes to standard output whenever its buffer fills and
// on flush(); a default-constructed stream keeps everything in memory.
class OutStream {
public:
    OutStream() = default;
    explicit OutStream(NameBytes names) : names_(names) {}
    OutStream(const OutStream&) = delete;
    OutStream& operator=(const OutStream&) = delete;
    ~OutStream();

    static OutStream& standard();

    // Throws OutputFailure when a full buffer cannot be written out.
    void write(std::string_view text);
    // A name or label from the file system: on a terminal no name can steer
    // it (colours, title, a forged line); elsewhere every byte goes out as it
    // is, a line feed included (no "\r" is added inside a name).
    void write_name(std::string_view name);
    void put(char c);
    // printf-style; returns the number of characters formatted (newlines
    // counted once), like printf.
    int print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // print, with the formatted text written as write_name writes a name; the
    // format holds no line end of its own.
    int print_name(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Writes out what is held. False when standard output could not be
    // written, now or before; nothing is written after a failure.
    bool flush();
    // The failure was the reader going away (a closed pipe): no message then.
    bool reader_gone() const { return reader_gone_; }

    // What a memory stream holds (after newline translation).
    const std::string& text() const { return buffer_; }
    void clear() { buffer_.clear(); }

private:
    OutStream(int descriptor, NameBytes names);
    int print_formatted(const char* format, std::va_list arguments, bool as_name);
    std::string buffer_;
    int descriptor_ = -1; // -1: a memory stream
    NameBytes names_ = NameBytes::AS_THEY_ARE;
    bool failed_ = false;
    bool reader_gone_ = false;
};

// A line on the standard error stream, for the one failure that standard
// output cannot carry: its own.
void write_error_line(std::string_view text);
