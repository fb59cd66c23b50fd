// The code page of a POSIX host: the character set of the locale the
// environment names for LC_CTYPE. It is read into a locale object of its
// own, so that the process's locale, and with it everything else the program
// formats, stays the "C" one.
#include <langinfo.h>
#include <locale.h>

#include <string_view>

#include "fs/fs_services.h"

namespace {

// "UTF-8" as glibc names it, "utf8" or "UTF8" as others may.
bool names_utf8(std::string_view codeset)
{
    constexpr std::string_view UTF8 = "utf8";
    std::size_t matched = 0;
    for (const char c : codeset) {
        if (c == '-') {
            continue;
        }
        if (matched == UTF8.size() || to_lower_case(c) != UTF8[matched]) {
            return false;
        }
        ++matched;
    }
    return matched == UTF8.size();
}

} // namespace

namespace host {

CodePage code_page()
{
    CodePage page;
    const locale_t chosen = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (chosen == static_cast<locale_t>(nullptr)) {
        return page; // a locale that is not installed: the "C" one, byte for byte
    }
    if (const char* codeset = nl_langinfo_l(CODESET, chosen);
        codeset != nullptr && names_utf8(codeset)) {
        page.encoding = Encoding::UTF8;
    }
    freelocale(chosen);
    return page;
}

} // namespace host
