// Taking a path text apart into drive, directory, name and extension, and
// joining the parts again; and the one way every layer finds a pattern's
// directory and name. Text only: the file system is never consulted.
// Both '\' and '/' separate; a character and ':' at the start is a drive.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

// Flag word of split_path: which parts were found.
inline constexpr unsigned SPLIT_WILDCARDS = 0x01; // '*' or '?' in name or extension
inline constexpr unsigned SPLIT_EXTENSION = 0x02;
inline constexpr unsigned SPLIT_FILENAME = 0x04;
inline constexpr unsigned SPLIT_DIRECTORY = 0x08;
inline constexpr unsigned SPLIT_DRIVE = 0x10;

// Room of the split parts, terminator included.
inline constexpr std::size_t DRIVE_ROOM = 3;
inline constexpr std::size_t PART_ROOM = 256;
// The splitter reads at most this many characters of a path.
inline constexpr std::size_t SPLIT_READ_LIMIT = 260;

using DriveText = std::array<char, DRIVE_ROOM>;
using PartText = std::array<char, PART_ROOM>;

// Where the parts of a path lie: offsets into the path text (as read, at most
// SPLIT_READ_LIMIT characters), uncut. The drive is [0, drive_end), the
// directory [drive_end, name_start), the name [name_start, ext_start) and the
// extension [ext_start, end).
struct PathLayout {
    unsigned flags = 0;
    std::size_t drive_end = 0;
    std::size_t name_start = 0;
    std::size_t ext_start = 0;
    std::size_t end = 0;
};

PathLayout locate_path_parts(std::string_view path);

// A pattern's directory (its drive prefix and its last separator kept) and
// its name: two views into the text, which may be of any length.
struct PatternParts {
    std::string_view directory;
    std::string_view name;
};

// Where a pattern's name begins. The two readings differ only on texts whose
// last component is made of dots, or that begin with a separator and ':'.
enum class NameStart {
    // After the last separator, else after a leading "X:": the last component
    // as a host searches for it, "." and ".." included.
    LAST_COMPONENT,
    // As split_path reads a path: a leading "X:" is a drive even before a
    // separator, and a last component "." or ".." (or a "." or ".." before
    // an extension, as in "..txt") stays with the directory.
    PATH_PARTS,
};

PatternParts split_pattern(std::string_view text,
                           NameStart reading = NameStart::LAST_COMPONENT);

// Splits path into the present outputs (each emptied first; an absent output
// is not written) and returns the flag word. Parts longer than their room are
// cut to it.
unsigned split_path(const char* path, DriveText* drive, PartText* directory, PartText* name,
                    PartText* extension);

// Joins the present, non-empty parts: the drive's letter and ':', the
// directory with a '\' added when it ends in no separator, the name, and the
// extension with a '.' added in front when it has none. Writes what fits into
// out, always terminated; returns the length the whole join needs, so a
// result >= out.size() means it was cut.
std::size_t merge_path(std::span<char> out, const char* drive, const char* directory,
                       const char* name, const char* extension);
