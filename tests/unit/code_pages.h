// Shared by the unit tests: the code pages a row of text rules runs under
// (single-byte with C1 controls or, as Windows' ANSI pages, without them,
// UTF-8, and a double-byte page with Shift JIS's lead bytes
// 0x81-0x9F and 0xE0-0xFC, whose trail bytes include '\' and A-Z), and a
// scope that makes one of them the active page.
#pragma once

#include "text/code_page.h"

enum class Page { SINGLE, UTF8, DBCS, ANSI }; // ANSI: single-byte, 0x80-0x9F characters

inline CodePage code_page_of(Page page)
{
    CodePage made;
    made.c1_bytes = page != Page::ANSI;
    if (page == Page::UTF8) {
        made.encoding = Encoding::UTF8;
    } else if (page == Page::DBCS) {
        made.encoding = Encoding::DOUBLE_BYTE;
        for (unsigned byte = 0x81; byte <= 0xFC; ++byte) {
            made.lead_bytes[byte] = byte <= 0x9F || byte >= 0xE0;
        }
    }
    return made;
}

// Makes the page active for the life of the object, then the one before.
class UsingPage {
public:
    explicit UsingPage(Page page) : saved_(active_code_page())
    {
        use_code_page(code_page_of(page));
    }
    UsingPage(const UsingPage&) = delete;
    UsingPage& operator=(const UsingPage&) = delete;
    ~UsingPage() { use_code_page(saved_); }

private:
    CodePage saved_;
};
