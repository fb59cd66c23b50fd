// Path texts taken apart into drive, directory, name and extension, and the
// four parts joined again into a bounded buffer. Every cut lies between whole
// characters: the trail byte of a double-byte character may be '\' or '.'
// and is never a separator or a dot.
#include "fs/path_split.h"

#include <algorithm>

#include "text/case_map.h"
#include "text/fixed_text.h"
#include "text/name_match.h"

namespace {

constexpr std::size_t NOT_FOUND = std::string_view::npos;

// A leading "X:" whose ':' is a character of its own.
bool starts_with_drive(std::string_view text)
{
    return has_drive_prefix(text) && char_length(text, 0) == 1;
}

// The position of the last '.' of text that is a character of its own.
std::size_t find_last_dot(std::string_view text)
{
    std::size_t dot = NOT_FOUND;
    for (std::size_t at = 0; at < text.size(); at += char_length(text, at)) {
        if (text[at] == '.') {
            dot = at;
        }
    }
    return dot;
}

// Where the last component begins: past the last separator, or past a
// leading drive prefix.
std::size_t component_start(std::string_view text, NameStart reading)
{
    const std::size_t separator = find_last_separator(text);
    if (reading == NameStart::LAST_COMPONENT) {
        // The cut a search makes: a separator wherever it stands, else a
        // leading "X:" (whose ':' is not checked to be a character of its
        // own).
        if (separator != NOT_FOUND) {
            return separator + 1;
        }
        return has_drive_prefix(text) ? DRIVE_PREFIX_LENGTH : 0;
    }
    const std::size_t past_separator = separator == NOT_FOUND ? 0 : separator + 1;
    return std::max(past_separator, starts_with_drive(text) ? DRIVE_PREFIX_LENGTH : 0);
}

// How much of a last component is a "." or ".." that names a directory: all
// of it when it is one, or the one in front of its extension ("..txt").
std::size_t leading_dot_component(std::string_view component)
{
    if (is_dot_entry(component)) {
        return component.size();
    }
    const std::size_t extension = find_last_dot(component);
    if (extension != NOT_FOUND && is_dot_entry(component.substr(0, extension))) {
        return extension;
    }
    return 0;
}

// The path as the splitter reads it: up to its NUL or its first
// SPLIT_READ_LIMIT bytes, whichever comes first, never ending inside a
// character.
std::string_view read_path(std::string_view path)
{
    return path.substr(0, whole_chars_within(path, SPLIT_READ_LIMIT));
}

template <std::size_t Room> void store_part(std::array<char, Room>* out, std::string_view part)
{
    if (out != nullptr) {
        copy_terminated(*out, part);
    }
}

std::string_view text_of(const char* part)
{
    return part == nullptr ? std::string_view{} : part;
}

} // namespace

std::optional<int> drive_number(std::string_view text)
{
    if (!has_drive_prefix(text)) {
        return std::nullopt;
    }
    const char letter = to_upper_case(text[0]);
    if (letter < 'A' || letter > 'Z') {
        return std::nullopt;
    }
    return letter - 'A';
}

std::size_t find_last_separator(std::string_view text)
{
    if (active_code_page().encoding != Encoding::DOUBLE_BYTE) {
        return text.find_last_of("\\/"); // no other byte of a character is below 0x80
    }
    std::size_t separator = std::string_view::npos;
    for (std::size_t at = 0; at < text.size(); at += char_length(text, at)) {
        if (is_separator(text[at])) {
            separator = at;
        }
    }
    return separator;
}

bool ends_in_separator(std::string_view text)
{
    return !text.empty() && find_last_separator(text) == text.size() - 1;
}

bool names_its_place(std::string_view path)
{
    const bool full_form = has_drive_prefix(path) && path.size() > DRIVE_PREFIX_LENGTH &&
                           is_separator(path[DRIVE_PREFIX_LENGTH]);
    return full_form || (path.size() > 1 && path[0] == '.' && is_separator(path[1]));
}

PatternParts split_pattern(std::string_view text, NameStart reading)
{
    std::size_t start = component_start(text, reading);
    if (reading == NameStart::PATH_PARTS) {
        start += leading_dot_component(text.substr(start));
    }
    return {text.substr(0, start), text.substr(start)};
}

PathLayout locate_path_parts(std::string_view path)
{
    const std::string_view text = read_path(path);
    const PatternParts parts = split_pattern(text, NameStart::PATH_PARTS);
    const std::size_t dot = find_last_dot(parts.name);
    PathLayout layout;
    layout.end = text.size();
    layout.drive_end = starts_with_drive(text) ? DRIVE_PREFIX_LENGTH : 0;
    layout.name_start = parts.directory.size();
    layout.ext_start = dot == NOT_FOUND ? layout.end : layout.name_start + dot;
    const auto flag_if = [](bool present, unsigned flag) { return present ? flag : 0U; };
    layout.flags = flag_if(has_wildcards(parts.name), SPLIT_WILDCARDS) |
                   flag_if(dot != NOT_FOUND, SPLIT_EXTENSION) |
                   flag_if(layout.ext_start > layout.name_start, SPLIT_FILENAME) |
                   flag_if(layout.name_start > layout.drive_end, SPLIT_DIRECTORY) |
                   flag_if(layout.drive_end != 0, SPLIT_DRIVE);
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
    // What fits is written; the length counts everything.
    std::size_t length = append_within(out, 0, "");
    if (const std::string_view d = text_of(drive); !d.empty()) {
        length = append_within(out, length, d.substr(0, 1)); // the ':' is always written here
        length = append_within(out, length, ":");
    }
    if (const std::string_view dir = text_of(directory); !dir.empty()) {
        length = append_within(out, length, dir);
        if (!ends_in_separator(dir)) {
            length = append_within(out, length, "\\");
        }
    }
    length = append_within(out, length, text_of(name));
    if (const std::string_view ext = text_of(extension); !ext.empty()) {
        if (ext.front() != '.') {
            length = append_within(out, length, ".");
        }
        length = append_within(out, length, ext);
    }
    return length;
}
