// Path texts taken apart into drive, directory, name and extension by one
// right-to-left scan, and the four parts joined again into a bounded buffer.
// The scan looks only at the first byte of each character: the trail byte of
// a double-byte character may be '\\' and is never a separator.
#include "fs/path_split.h"

#include <algorithm>
#include <bitset>

#include "fs/host_text.h"

namespace {

constexpr std::size_t DRIVE_COLON = 1; // where a drive prefix has its ':'

bool is_wildcard(char c)
{
    return c == '*' || c == '?';
}

bool is_drive_colon(std::string_view text, std::size_t i)
{
    return i == DRIVE_COLON && text[i] == ':';
}

// True when the '.' at i ends a "." or ".." component: what stands before it
// (or before the '.' just in front of it) is a separator, the drive's ':' or
// the start of the path.
bool ends_dot_component(std::string_view text, std::size_t i,
                        const std::bitset<SPLIT_READ_LIMIT>& inner)
{
    const std::size_t first = (i > 0 && text[i - 1] == '.') ? i - 1 : i;
    if (first == 0) {
        return true;
    }
    return !inner[first - 1] && (is_separator(text[first - 1]) || is_drive_colon(text, first - 1));
}

// The path as the splitter reads it: up to its NUL or its first
// SPLIT_READ_LIMIT bytes, whichever comes first, never ending inside a
// character.
std::string_view read_path(std::string_view path)
{
    return path.substr(0, whole_chars_within(path, SPLIT_READ_LIMIT));
}

// The bytes of text that continue a character begun before them; none under
// a code page whose bytes below 0x80 always stand for themselves.
std::bitset<SPLIT_READ_LIMIT> inner_bytes(std::string_view text)
{
    std::bitset<SPLIT_READ_LIMIT> inner;
    if (active_code_page().encoding != Encoding::DOUBLE_BYTE) {
        return inner;
    }
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = char_length(text, at);
        for (std::size_t i = 1; i < length; ++i) {
            inner.set(at + i);
        }
        at += length;
    }
    return inner;
}

template <std::size_t Room> void store_part(std::array<char, Room>* out, std::string_view part)
{
    if (out != nullptr) {
        copy_terminated(*out, part);
    }
}

// The join so far: what fits is written, the length counts everything.
struct JoinCursor {
    std::span<char> out;
    std::size_t length = 0;
};

void append(JoinCursor& cursor, std::string_view text)
{
    for (const char c : text) {
        if (cursor.length + 1 < cursor.out.size()) {
            cursor.out[cursor.length] = c;
        }
        ++cursor.length;
    }
}

// Whether the last character of text (not the trail byte of one) separates.
bool ends_in_separator(std::string_view text)
{
    return !text.empty() && find_last_separator(text) == text.size() - 1;
}

std::string_view text_of(const char* part)
{
    return part == nullptr ? std::string_view{} : part;
}

} // namespace

PathLayout locate_path_parts(std::string_view path)
{
    const std::string_view text = read_path(path);
    const std::bitset<SPLIT_READ_LIMIT> inner = inner_bytes(text);
    PathLayout layout;
    layout.end = layout.ext_start = layout.name_start = text.size();
    bool in_directory = false;
    // In name mode the text still to be split ends at ext_start.
    for (std::size_t i = text.size(); i-- > 0;) {
        const char c = text[i];
        if (inner[i]) {
            continue;
        }
        if (is_drive_colon(text, i)) {
            layout.drive_end = DRIVE_PREFIX_LENGTH;
            layout.flags |= SPLIT_DRIVE;
            break;
        }
        if (in_directory) {
            continue;
        }
        if (is_separator(c)) {
            layout.name_start = i + 1; // the separator stays with the directory
            in_directory = true;
        } else if (is_wildcard(c)) {
            layout.flags |= SPLIT_WILDCARDS;
        } else if (c == '.' && i + 1 == layout.ext_start && ends_dot_component(text, i, inner)) {
            layout.name_start = layout.ext_start; // "." and ".." belong to the directory
            in_directory = true;
        } else if (c == '.' && (layout.flags & SPLIT_EXTENSION) == 0) {
            layout.ext_start = i;
            layout.flags |= SPLIT_EXTENSION;
        }
    }
    if (!in_directory) {
        layout.name_start = layout.drive_end;
    }
    if (layout.ext_start > layout.name_start) {
        layout.flags |= SPLIT_FILENAME;
    }
    if (layout.name_start > layout.drive_end) {
        layout.flags |= SPLIT_DIRECTORY;
    }
    return layout;
}

unsigned split_path(const char* path, DriveText* drive, PartText* directory, PartText* name,
                    PartText* extension)
{
    const std::string_view text =
        path == nullptr ? std::string_view{} : read_path(bounded_text(path, SPLIT_READ_LIMIT));
    const PathLayout layout = locate_path_parts(text);
    store_part(drive, text.substr(0, layout.drive_end));
    store_part(directory, text.substr(layout.drive_end, layout.name_start - layout.drive_end));
    store_part(name, text.substr(layout.name_start, layout.ext_start - layout.name_start));
    store_part(extension, text.substr(layout.ext_start));
    return layout.flags;
}

std::size_t merge_path(std::span<char> out, const char* drive, const char* directory,
                       const char* name, const char* extension)
{
    JoinCursor cursor{out};
    if (const std::string_view d = text_of(drive); !d.empty()) {
        append(cursor, d.substr(0, 1)); // only the letter: the ':' is always written here
        append(cursor, ":");
    }
    if (const std::string_view dir = text_of(directory); !dir.empty()) {
        append(cursor, dir);
        if (!ends_in_separator(dir)) {
            append(cursor, "\\");
        }
    }
    append(cursor, text_of(name));
    if (const std::string_view ext = text_of(extension); !ext.empty()) {
        if (ext.front() != '.') {
            append(cursor, ".");
        }
        append(cursor, ext);
    }
    if (!out.empty()) {
        out[std::min(cursor.length, out.size() - 1)] = '\0';
    }
    return cursor.length;
}
