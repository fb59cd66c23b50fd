// The host's case mapping over a text read one whole character at a time.
#include "text/case_map.h"

#include <string_view>

#include "text/code_page.h"
#include "text/fixed_text.h"

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
