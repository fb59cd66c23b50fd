// Path texts: the room a path has, and every question about its parts, each
// answered once here: the drive prefix, the separators, where the directory
// ends, the name and the extension, and whether a path names its place in
// full; taking a path apart and joining the parts again. Text only: the file
// system is never consulted. Both '\' and '/' separate; a character and ':'
// at the start is a drive.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

// A path buffer: at most 259 characters and the terminating NUL.
inline constexpr std::size_t PATH_ROOM = 260;
inline constexpr std::size_t PATH_LIMIT = PATH_ROOM - 1;
using PathText = std::array<char, PATH_ROOM>;

// A drive prefix: a letter (or any character) and ':'.
inline constexpr std::size_t DRIVE_PREFIX_LENGTH = 2;

constexpr bool has_drive_prefix(std::string_view text)
{
    return text.size() >= DRIVE_PREFIX_LENGTH && text[1] == ':';
}

// The drive number (0 for A) of a text that begins with a drive prefix whose
// character is a letter, in either case; nothing for any other text.
std::optional<int> drive_number(std::string_view text);

// Path texts separate their parts with '\' or '/'.
constexpr bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

// The position of the last separator of text that is a character of its own
// (never the trail byte of a double-byte character); npos when there is none.
std::size_t find_last_separator(std::string_view text);

// Whether the last character of text (not the trail byte of one) separates.
bool ends_in_separator(std::string_view text);

// The entries every directory has for itself and its parent.
constexpr bool is_dot_entry(std::string_view name)
{
    return name == "." || name == "..";
}

// Whether the path names its place whole: a full form, its drive and root in
// front ("C:\..."), or, where the host could not name the directory the run
// started in, a form relative to that directory (".\...").
bool names_its_place(std::string_view path);

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
// its name: two views into the text, which may be of any length. The one way
// every layer, and the pass, finds where a pattern's directory ends.
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
