// The code page of the Win32 host: the ANSI code page the A calls speak.
// 65001 is UTF-8; a page whose characters take up to two bytes is a
// double-byte one, with the lead-byte ranges the host gives for it; any
// other page has one byte a character. No byte of an ANSI page is a C1
// control (0x80 is the euro sign in 1252): a console shows every one.
#include "fs/win32/win32_host.h"

namespace host {

namespace {

constexpr UINT UTF8_CODE_PAGE = 65001;
constexpr UINT DOUBLE_BYTE_SIZE = 2;

} // namespace

CodePage code_page()
{
    CodePage page;
    page.c1_bytes = false;
    const UINT ansi = ::GetACP();
    if (ansi == UTF8_CODE_PAGE) {
        page.encoding = Encoding::UTF8;
        return page;
    }
    CPINFO info{};
    if (::GetCPInfo(ansi, &info) == 0 || info.MaxCharSize != DOUBLE_BYTE_SIZE) {
        return page;
    }
    page.encoding = Encoding::DOUBLE_BYTE;
    // Pairs of first and last lead byte, ended by a pair of zeros.
    for (std::size_t i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        for (unsigned byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1]; ++byte) {
            page.lead_bytes.set(byte);
        }
    }
    return page;
}

} // namespace host
