// What the files of the POSIX host layer share: path translation, the
// current directory as the layer knows it, directory streams, the calls that
// differ between hosts, the current directory's reads, entry descriptions
// and time conversion. Only the layer's files, and the tests and the fuzz
// target that reach into it, include this header.
//
// The layer maps the host the program was designed for onto POSIX: one
// drive, C:, whose root is "/"; '\' and '/' both separating; names looked up
// as typed, then case-blind; no 8.3 aliases; attribute words made from the
// file's kind, mode and name; the volume label of the file system holding "/".
#pragma once

#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "fs/fs_services.h"
#include "text/name_match.h"

// The one drive of a POSIX host: C:, whose root is "/".
inline constexpr int DRIVE_C = 2;

// --- Paths --------------------------------------------------------------------
// The POSIX form of a path text: "C:"/"c:" dropped, '\' read as '/', "." for
// an empty remainder. Nothing when the text names another drive. A relative
// text stays relative, so it works below a current directory of any depth.
std::optional<std::string> posix_form(std::string_view text);
// The path as typed when it exists; otherwise each missing component replaced
// by the first entry of its parent that matches it case-blind.
std::string resolve_any_case(const std::string& path);
// posix_form, its components then resolved as resolve_any_case does.
std::optional<std::string> posix_form_any_case(std::string_view text);
// Runs operation (bool(const char* posix_path)) on the path as typed, and only
// when a component is missing, once more on its case-blind resolution: the
// usual case costs no lookup beyond the operation itself.
template <typename Operation>
bool try_as_typed_then_any_case(std::string_view text, Operation operation)
{
    const auto path = posix_form(text);
    if (!path) {
        return false;
    }
    if (operation(path->c_str())) {
        return true;
    }
    if (errno != ENOENT && errno != ENOTDIR) {
        return false;
    }
    const std::string resolved = resolve_any_case(*path);
    return resolved != *path && operation(resolved.c_str());
}
// The full form of text against the POSIX directory cwd, as full_path gives
// it; against a directory relative to the run's start, the form relative to
// that start (".\sub\x"). Nothing when the text names another drive, is
// empty, climbs above such a start, or the result would be longer than limit.
std::optional<std::string> full_path_text(std::string_view text, std::string_view cwd,
                                          std::size_t limit = PATH_LIMIT);
// Whether a directory current_posix_dir gives is relative to the directory
// the run started in ("." or "./sub"): the host could not name that one.
bool is_relative_to_start(std::string_view posix_dir);
// Whether the path text (a directory, with or without its trailing
// separator) is the current directory as the layer last knew it. Asks the
// host nothing.
bool names_current_dir(std::string_view path);
// Records a change into path (a name, or any path), so that the path followed
// down names directories too deep for the host to name.
void follow_into(std::string_view path);
// Records the walk's checked step into the subdirectory name: a path the
// host named, extended by such steps alone, names the directory without
// asking the host again.
void follow_step_into(std::string_view name);
// Records the walk's return to the parent, whose identity is arrived;
// as_expected when that is the directory the step down came from.
void follow_to_parent(const DirectoryId& arrived, bool as_expected);

// --- Directory streams ----------------------------------------------------------
struct DirStreamCloser {
    void operator()(DIR* stream) const { closedir(stream); }
};
// An open directory stream, closed however its reader ends.
using DirStream = std::unique_ptr<DIR, DirStreamCloser>;

// --- The calls that differ between hosts --------------------------------------------
// Linux's own (fs/posix/linux/) or the POSIX calls alone (fs/posix/portable/,
// on every other host, and on Linux too where the build asks for them with
// WENDEX_POSIX_PORTABLE): CMakeLists.txt chooses the folder.

// The host's own answer for the current directory, into buffer; false when it
// gives none (errno ENAMETOOLONG: the directory is too deep for it).
bool ask_current_dir(std::span<char> buffer);
// The open flags that open a directory to be looked up in, or entered,
// without read permission; nothing where the host has none.
std::optional<int> search_only_access();

// The identity of the current directory, from what the host knows of it
// without asking a file server again: a directory's device and inode never
// change.
std::optional<DirectoryId> identity_of_current();
// What the walk's step down checks of the directory it opened.
struct ChildStatus {
    DirectoryId id;
    bool is_directory = false;
    bool is_mount_root = false; // known only where the host marks it; else the device tells
};
std::optional<ChildStatus> status_of_child(int fd);

// A POSIX time stamp, as a stat gives it.
struct Stamp {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;
};
// What a description takes from the host's stat of an entry.
struct EntryStatus {
    unsigned mode = 0;
    std::uint64_t size = 0;
    Stamp last_write;
    Stamp last_access;
    bool birth_reported = false;
    Stamp birth;
};
// The stat of path relative to directory_fd (flags as fstatat takes them).
bool stat_entry_at(int directory_fd, const char* path, int flags, EntryStatus& status);

// --- Directory reads --------------------------------------------------------------
// What a description of an entry takes from the host: its stat (and for a
// link, whether its target is a directory), or why it could not be made.
struct EntryFacts {
    int error = 0; // the stat's errno; 0: stat-ed
    EntryStatus status;
    bool is_link = false;
    bool target_is_directory = false;
};
// Stats the entry name of the open directory directory_fd, never following
// a link, and a link's target once more: the facts a description takes.
EntryFacts gather_facts(int directory_fd, const char* name);

// One entry as a directory gives it: its name and its type (DT_UNKNOWN where
// the file system keeps none), and its facts where they were gathered
// before it was asked for (null: the reader's descriptor is asked). The
// name's length is measured once, by the reader; its NUL still follows it.
struct DirEntry {
    std::string_view name;
    unsigned char type = DT_UNKNOWN;
    const EntryFacts* facts = nullptr;
};

// A directory read from its start. A failed read is never taken for the
// end: next() gives nothing, and failed() says why.
class DirReader {
public:
    DirReader() = default;
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;
    virtual ~DirReader() = default;

    // The descriptor its entries are looked up through.
    virtual int fd() const = 0;
    // The next entry, valid until the next call; null at the end or failure.
    virtual const DirEntry* next() = 0;
    bool failed() const { return failed_; }

protected:
    bool failed_ = false;
};
// The directory open at fd for reading, read on from where its descriptor
// stands as the host's calls give it; the reader owns and closes fd.
std::unique_ptr<DirReader> open_dir_reader(int fd);

// --- The current directory's reads (subdirectories.cpp) ------------------------------
// Adds the entry of the directory open at directory_fd to found when it is a
// directory itself (not a link, not "." or ".."); false when it could not be
// examined, for a reason other than permission.
bool note_subdirectory(int directory_fd, const DirEntry& entry,
                       std::vector<host::Subdirectory>& found);
// The subdirectories a read of the whole current directory found, kept for
// host::subdirectories until the current directory changes.
void keep_subdirectories(std::vector<host::Subdirectory> found);
// The walk's step into the current directory: the descriptor it opened it
// with for reading (-1 for none), kept until a read of the current directory
// takes it, and the identity it found there.
void keep_step(int fd, const DirectoryId& entered);
// The identity the walk's step into the current directory found; nothing
// where the current directory was not entered by a step.
std::optional<DirectoryId> entered_by_step();
// The current directory changes: what was kept of the one left goes.
void left_current_dir();
// The directory at path opened for reading; nothing when it cannot be.
std::unique_ptr<DirReader> read_directory_at(const char* path);
// The current directory opened for reading: what was read ahead of the walk
// where the step's directory was, else through the step's descriptor where
// one is kept.
std::unique_ptr<DirReader> reader_of_current_dir();

// --- Entries ------------------------------------------------------------------
enum class EntryKind { REGULAR, DIRECTORY, OTHER };
// The attribute word of an entry from its kind, whether any write bit is set,
// whether it is a symbolic link, and its name.
std::uint32_t attribute_word(EntryKind kind, bool writable, bool is_link, std::string_view name);

// Fills result for the entry name of the open directory directory_fd, a
// symbolic link described by itself (its own size and times, the reparse-point
// bit, the directory bit when it points at a directory, else the archive
// bit); false when it cannot be stat-ed (gone, or its directory not
// searchable), with errno saying why.
bool describe_entry(int directory_fd, const char* name, FindResult& result);
// The same for the entry path names relative to directory_fd (AT_FDCWD for
// the current directory), described under its name, the path's last part.
bool describe_entry_at(int directory_fd, const char* path, const char* name,
                       FindResult& result);
// Fills result for an entry that a read gave: from its facts (gathered
// through directory_fd where the entry brings none), as describe_entry does,
// or, when it cannot be stat-ed, from the directory entry alone (its kind
// from the type, size 0, every time the earliest): every listed entry is
// delivered. False when it could not be examined for a reason other than
// permission (an I/O error, no memory): a failure to report, not a fact of
// the entry.
bool describe_listed(int directory_fd, const DirEntry& entry, FindResult& result);
// Whether the searches describe directories (host::describe_directories).
bool directories_are_described();

// Every free byte of the file system holding the directory open at fd.
std::optional<std::uint64_t> free_bytes_of_open(int fd);

// --- What was read ahead of the walk --------------------------------------------------
// Linux's read-ahead (fs/posix/linux/read_ahead.cpp) or none
// (fs/posix/no_read_ahead.cpp, where the build reads nothing ahead).

// A reader of the current directory, which the walk's step entered and
// found to be current, from what was read ahead of the walk; null when
// nothing was, and the layer reads for itself.
std::unique_ptr<DirReader> reader_read_ahead(const DirectoryId& current);
// The free bytes of the file system holding that directory, as read ahead:
// nothing when they were not; an empty answer when they could not be read.
std::optional<std::optional<std::uint64_t>> free_bytes_read_ahead(const DirectoryId& current);
// Whether the walk's steps open directories for lookups alone, as what they
// list is read ahead of them.
bool steps_only_look_up();

// --- Times ----------------------------------------------------------------------
// A POSIX time stamp as a file time: before 1601 gives 0, beyond the range
// the largest file time.
FileTime file_time_from_unix(std::int64_t seconds, std::uint32_t nanoseconds);
// An entry's creation time: its birth time when the file system reports one,
// otherwise (a birth time of exactly 0 counts as none) its last-write time.
FileTime creation_time(bool birth_reported, std::int64_t birth_seconds,
                       std::uint32_t birth_nanoseconds, FileTime last_write);
