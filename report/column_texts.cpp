// The small texts of an adorned line's columns: the mark, the attribute
// letters and the time of day.
#include <array>

#include "core/run_state.h"
#include "fs/dos_words.h"
#include "fs/fs_services.h"
#include "report/entry_line.h"

char entry_mark(std::uint8_t attributes)
{
    if ((attributes & ATTR_HIDDEN) != 0u) {
        return '*';
    }
    if ((attributes & ATTR_READONLY) != 0u) {
        return '+';
    }
    return ' ';
}

const char* attr_letters(std::uint8_t attributes)
{
    static std::array<char, 5> letters{};
    letters = {' ', ' ', ' ', ' ', '\0'};
    if ((attributes & ATTR_ARCHIVE) != 0u) {
        letters[0] = 'a';
    }
    if ((attributes & ATTR_READONLY) != 0u) {
        letters[1] = 'r';
    }
    if ((attributes & ATTR_HIDDEN) != 0u) {
        letters[2] = 'h';
    }
    if ((attributes & ATTR_SYSTEM) != 0u) {
        letters[3] = 's';
    }
    return letters.data();
}

const char* format_time(std::uint16_t dos_time)
{
    static std::array<char, 7> text{};
    text = {' ', ' ', ' ', ' ', ' ', ' ', '\0'};
    if (dos_time == 0) {
        return text.data();
    }
    const DosTime time = dos_time_of(dos_time);
    unsigned hour = time.hour; // 0..31: always two digits at most
    const unsigned minute = time.minute;
    char suffix = ' ';
    if (settings.time_24h == 0) {
        suffix = hour >= 12 ? 'p' : 'a';
        if (hour > 12) {
            hour -= 12;
        }
    }
    text[0] = hour >= 10 ? static_cast<char>('0' + hour / 10) : ' ';
    text[1] = static_cast<char>('0' + hour % 10);
    text[2] = ':';
    text[3] = static_cast<char>('0' + minute / 10);
    text[4] = static_cast<char>('0' + minute % 10);
    text[5] = suffix;
    return text.data();
}
