// The host's case mapping over a text read one whole character at a time.
#include "text/case_map.h"

#include <string_view>

#include "text/code_page.h"
#include "text/fixed_text.h"

void lowercase_n(char* text, std::size_t n)
{
    std::size_t at = 0;
    // ASCII, one byte a character under every code page, goes byte by byte.
    for (; at < n && text[at] != '\0' && static_cast<unsigned char>(text[at]) < 0x80; ++at) {
        text[at] = to_lower_case(text[at]);
    }
    if (at == n || text[at] == '\0') {
        return;
    }
    const std::string_view view = bounded_text(text, n); // the NUL, if any, stays a NUL
    while (at < view.size()) {
        const std::size_t length = char_length(view, at);
        if (length == 1) {
            text[at] = to_lower_case(text[at]);
        }
        at += length;
    }
}
