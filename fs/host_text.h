// The short rules of the program's texts, each written once: path buffers,
// separators, drive prefixes, the "." and ".." entries, the host's case
// mapping (only A-Z and a-z have two forms), and texts held in fixed-width
// fields.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "fs/code_page.h"

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

// Path texts separate their parts with '\' or '/'.
constexpr bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

// The position of the last separator of text that is a character of its own
// (never the trail byte of a double-byte character); npos when there is none.
std::size_t find_last_separator(std::string_view text);

// The entries every directory has for itself and its parent.
constexpr bool is_dot_entry(std::string_view name)
{
    return name == "." || name == "..";
}

constexpr char to_lower_case(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char to_upper_case(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Lower-cases at most n bytes of text in place, stopping after the first
// NUL it writes (the NUL counts toward n). A character of more than one byte
// is left whole: a trail byte of a double-byte page may be a capital letter.
void lowercase_n(char* text, std::size_t n);

// The text up to its NUL, or its first `room` characters when it has none.
constexpr std::string_view bounded_text(const char* text, std::size_t room)
{
    std::size_t length = 0;
    while (length < room && text[length] != '\0') {
        ++length;
    }
    return {text, length};
}

// Whether text ends within `room` bytes, its NUL included (a path: PATH_ROOM).
inline bool fits_room(const char* text, std::size_t room)
{
    return std::memchr(text, '\0', room) != nullptr;
}

// Copies text into a field, cut to leave room for the terminator (never
// inside a character); the rest of the field is NUL. Returns the length
// copied.
template <std::size_t N>
std::size_t copy_terminated(std::array<char, N>& field, std::string_view text)
{
    static_assert(N > 0);
    const std::size_t length = whole_chars_within(text, N - 1);
    field.fill('\0');
    std::copy_n(text.data(), length, field.data());
    return length;
}
