// The code page the text rules follow, and where its characters end.
#include "text/code_page.h"

#include <algorithm>
#include <array>

namespace {

CodePage& chosen_page()
{
    static CodePage page; // single-byte until the host's is chosen
    return page;
}

bool is_continuation(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0xBF;
}

// The bytes a UTF-8 sequence has, and the range its second byte must lie in
// so that it is neither an overlong form, a surrogate nor past U+10FFFF.
struct Utf8Lead {
    std::size_t length;
    unsigned char second_low;
    unsigned char second_high;
};

constexpr Utf8Lead utf8_lead(unsigned char byte)
{
    if (byte >= 0xC2 && byte <= 0xDF) {
        return {2, 0x80, 0xBF};
    }
    if (byte == 0xE0) {
        return {3, 0xA0, 0xBF};
    }
    if (byte == 0xED) {
        return {3, 0x80, 0x9F};
    }
    if (byte >= 0xE1 && byte <= 0xEF) {
        return {3, 0x80, 0xBF};
    }
    if (byte == 0xF0) {
        return {4, 0x90, 0xBF};
    }
    if (byte >= 0xF1 && byte <= 0xF3) {
        return {4, 0x80, 0xBF};
    }
    if (byte == 0xF4) {
        return {4, 0x80, 0x8F};
    }
    return {1, 0, 0}; // ASCII, a stray continuation byte, or no lead at all
}

std::size_t utf8_length(std::string_view text, std::size_t at)
{
    const Utf8Lead lead = utf8_lead(static_cast<unsigned char>(text[at]));
    if (lead.length == 1 || text.size() - at < lead.length) {
        return 1;
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < lead.second_low || second > lead.second_high) {
        return 1;
    }
    for (std::size_t i = 2; i < lead.length; ++i) {
        if (!is_continuation(static_cast<unsigned char>(text[at + i]))) {
            return 1;
        }
    }
    return lead.length;
}

bool is_c0_control(unsigned char byte)
{
    return byte < 0x20 || byte == 0x7F;
}

bool is_c1_byte(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F;
}

// The UTF-8 characters of more than one byte that act on a terminal rather
// than show: the C1 controls, U+0080-U+009F, and the controls that turn the
// direction of the text around them, with which a name can show as another
// ("invoice\u202Eexe.txt" as "invoicetxt.exe").
bool is_multibyte_control(std::string_view character)
{
    // U+061C, U+200E, U+200F, U+202A-U+202E and U+2066-U+2069, as UTF-8.
    constexpr std::array<std::string_view, 12> BIDI_CONTROLS{
        "\xD8\x9C",     "\xE2\x80\x8E", "\xE2\x80\x8F", "\xE2\x80\xAA",
        "\xE2\x80\xAB", "\xE2\x80\xAC", "\xE2\x80\xAD", "\xE2\x80\xAE",
        "\xE2\x81\xA6", "\xE2\x81\xA7", "\xE2\x81\xA8", "\xE2\x81\xA9"};
    const auto first = static_cast<unsigned char>(character.front());
    if (first == 0xC2) {
        return is_c1_byte(static_cast<unsigned char>(character[1]));
    }
    return std::find(BIDI_CONTROLS.begin(), BIDI_CONTROLS.end(), character) != BIDI_CONTROLS.end();
}

} // namespace

const CodePage& active_code_page()
{
    return chosen_page();
}

void use_code_page(const CodePage& page)
{
    chosen_page() = page;
}

std::size_t char_length(std::string_view text, std::size_t at, const CodePage& page)
{
    switch (page.encoding) {
    case Encoding::UTF8: return utf8_length(text, at);
    case Encoding::DOUBLE_BYTE:
        return page.lead_bytes[static_cast<unsigned char>(text[at])] && at + 1 < text.size() ? 2
                                                                                             : 1;
    case Encoding::SINGLE_BYTE: break;
    }
    return 1;
}

std::size_t whole_chars_cut_to(std::string_view text, std::size_t room)
{
    if (text.size() <= room) {
        return text.size();
    }
    if (active_code_page().encoding == Encoding::SINGLE_BYTE) {
        return room;
    }
    std::size_t end = 0;
    while (end < room) {
        const std::size_t next = end + char_length(text, end);
        if (next > room) {
            break;
        }
        end = next;
    }
    return end;
}

bool is_unshowable(std::string_view character)
{
    const auto first = static_cast<unsigned char>(character.front());
    if (character.size() > 1) {
        return active_code_page().encoding == Encoding::UTF8 && is_multibyte_control(character);
    }
    if (is_c0_control(first)) {
        return true;
    }
    const CodePage& page = active_code_page();
    switch (page.encoding) {
    case Encoding::UTF8: return first >= 0x80; // a one-byte character above ASCII is invalid
    case Encoding::DOUBLE_BYTE:
        return page.lead_bytes[first] || (page.c1_bytes && is_c1_byte(first));
    case Encoding::SINGLE_BYTE: break;
    }
    return page.c1_bytes && is_c1_byte(first);
}

std::size_t find_single_byte_char(std::string_view text, char c)
{
    const Encoding encoding = active_code_page().encoding;
    if (encoding == Encoding::SINGLE_BYTE ||
        (encoding == Encoding::UTF8 && static_cast<unsigned char>(c) < 0x80)) {
        return text.find(c); // no byte of a UTF-8 sequence is below 0x80
    }
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = char_length(text, at);
        if (length == 1 && text[at] == c) {
            return at;
        }
        at += length;
    }
    return std::string_view::npos;
}
