// Texts held in fixed-width fields and buffers: read up to their NUL or
// their room, copied in cut to whole characters, appended to within bounds.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>

#include "text/code_page.h"

// The text up to its NUL, or its first `room` characters when it has none.
// memchr stops at the first NUL it finds, so no byte past it is read.
constexpr std::string_view bounded_text(const char* text, std::size_t room)
{
    if (std::is_constant_evaluated()) {
        std::size_t length = 0;
        while (length < room && text[length] != '\0') {
            ++length;
        }
        return {text, length};
    }
    const auto* end = static_cast<const char*>(std::memchr(text, '\0', room));
    return {text, end == nullptr ? room : static_cast<std::size_t>(end - text)};
}

// Whether text ends within `room` bytes, its NUL included.
inline bool fits_room(const char* text, std::size_t room)
{
    return std::memchr(text, '\0', room) != nullptr;
}

// Copies text into a field, cut to leave room for the terminator (never
// inside a character), and the terminator after it; what follows in the
// field is left as it was, unread. Returns the length copied.
template <std::size_t N>
std::size_t copy_with_terminator(std::array<char, N>& field, std::string_view text)
{
    static_assert(N > 0);
    const std::size_t length = whole_chars_within(text, N - 1);
    std::copy_n(text.data(), length, field.data());
    field[length] = '\0';
    return length;
}

// The same, with the rest of the field NUL too.
template <std::size_t N>
std::size_t copy_terminated(std::array<char, N>& field, std::string_view text)
{
    field.fill('\0');
    return copy_with_terminator(field, text);
}

// Appends text at length into out, keeping it terminated and never past its
// room; returns the length the whole text needs (so that a result of
// out.size() or more tells that it was cut).
inline std::size_t append_within(std::span<char> out, std::size_t length, std::string_view text)
{
    if (!out.empty() && length < out.size()) {
        const std::size_t fits = std::min(text.size(), out.size() - 1 - length);
        std::copy_n(text.begin(), fits, out.begin() + static_cast<std::ptrdiff_t>(length));
        out[length + fits] = '\0';
    }
    return length + text.size();
}
