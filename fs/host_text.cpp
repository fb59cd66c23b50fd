// The host's case mapping and the search for a separator, over a text read
// one whole character at a time.
#include "fs/host_text.h"

void lowercase_n(char* text, std::size_t n)
{
    const std::string_view view = bounded_text(text, n); // the NUL, if any, stays a NUL
    for (std::size_t at = 0; at < view.size();) {
        const std::size_t length = char_length(view, at);
        if (length == 1) {
            text[at] = to_lower_case(text[at]);
        }
        at += length;
    }
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
