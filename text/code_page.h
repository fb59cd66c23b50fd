// The host's code page and the text rules that follow from it, written once
// for every host: where a character ends, how far a text may be cut without
// splitting one, and which characters a terminal must not be sent. A text is
// bytes in the host's code page: one byte a character (single-byte pages), a
// lead byte and a trail byte for the characters of a double-byte page, or
// UTF-8. Below 0x80 every rule is the single-byte one, so an ASCII name is
// handled the same under every code page.
#pragma once

#include <bitset>
#include <cstddef>
#include <string_view>

enum class Encoding { SINGLE_BYTE, DOUBLE_BYTE, UTF8 };

inline constexpr std::size_t BYTE_VALUES = 256;

struct CodePage {
    Encoding encoding = Encoding::SINGLE_BYTE;
    // DOUBLE_BYTE: the bytes that begin a two-byte character.
    std::bitset<BYTE_VALUES> lead_bytes{};
    // SINGLE_BYTE and DOUBLE_BYTE: whether a byte 0x80-0x9F standing alone is
    // a C1 control, as in the ISO 8859 sets of a POSIX locale, rather than a
    // character, as in most of the ANSI code pages of Windows.
    bool c1_bytes = true;
};

// The code page the text rules follow: single-byte until one is chosen.
const CodePage& active_code_page();
// Makes page the one the text rules follow from now on: the host's
// (host::code_page()), chosen once at start, or any other page given.
void use_code_page(const CodePage& page);

// The length of the character that begins at byte at of text: 1 for a
// single byte, an invalid byte or a lead byte with nothing after it; never
// past the end of text. at must lie inside text.
std::size_t char_length(std::string_view text, std::size_t at, const CodePage& page);
inline std::size_t char_length(std::string_view text, std::size_t at)
{
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
        return 1; // ASCII is one byte in every code page
    }
    return char_length(text, at, active_code_page());
}

// whole_chars_within's own work, for a text longer than room.
std::size_t whole_chars_cut_to(std::string_view text, std::size_t room);

// The length of the longest start of text made of whole characters that
// fits room bytes. A text that fits whole is told here, without a call: the
// copies of every name ask it.
inline std::size_t whole_chars_within(std::string_view text, std::size_t room)
{
    return text.size() <= room ? text.size() : whole_chars_cut_to(text, room);
}

// Whether the character (one whole one, as char_length delimits it) must be
// shown as '?' on a terminal: a C0 control or DEL, a C1 control (a byte
// 0x80-0x9F of a page whose c1_bytes are controls, U+0080-U+009F in UTF-8),
// a control of the text's direction in UTF-8 (U+061C, U+200E, U+200F,
// U+202A-U+202E, U+2066-U+2069), or a byte that is not a character at all
// (an invalid UTF-8 byte, a lone lead byte).
bool is_unshowable(std::string_view character);

// The columns a terminal gives the text: a byte of a single-byte page 1; a
// double-byte character 2; in UTF-8 an East Asian wide or fullwidth
// character or an emoji 2, a combining mark or other zero-width character 0,
// anything else (an invalid byte, and a control shown as '?', included) 1.
std::size_t display_columns(std::string_view text);

// The position of the first character of text that is the single byte c (a
// byte inside a longer character never counts); npos when there is none.
std::size_t find_single_byte_char(std::string_view text, char c);
