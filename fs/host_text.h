// Text helpers every layer shares: the host's single-byte case mapping, in
// which only A-Z and a-z have two forms, and texts held in fixed-width fields.
#pragma once

#include <cstddef>
#include <string_view>

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

constexpr char to_lower_case(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char to_upper_case(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text up to its NUL, or its first `room` characters when it has none.
constexpr std::string_view bounded_text(const char* text, std::size_t room)
{
    std::size_t length = 0;
    while (length < room && text[length] != '\0') {
        ++length;
    }
    return {text, length};
}
