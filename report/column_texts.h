// The small texts of an adorned line's columns: the mark, the attribute
// letters, two-digit numbers and the time of day. They are written for every
// listed entry, so each is a table read or a few stores.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/run_state.h"
#include "fs/dos_words.h"
#include "fs/fs_services.h"

// The lengths of the texts attr_letters and format_time give.
inline constexpr std::size_t ATTR_LETTERS_LENGTH = 4;
inline constexpr std::size_t TIME_TEXT_LENGTH = 6;

// Every value a byte holds, 0 to 255, as its last two digits: any
// std::uint8_t indexes the table.
inline constexpr std::array<char, 512> DIGIT_PAIRS = [] {
    std::array<char, 512> pairs{};
    for (std::size_t n = 0; n < pairs.size() / 2; ++n) {
        pairs[2 * n] = static_cast<char>('0' + n / 10 % 10);
        pairs[2 * n + 1] = static_cast<char>('0' + n % 10);
    }
    return pairs;
}();

// n's last two digits at at, led by lead ('0' or a blank) when n is below 10.
inline void put_two_digits(char* at, std::uint8_t n, char lead)
{
    at[0] = n < 10 ? lead : DIGIT_PAIRS[2 * n];
    at[1] = DIGIT_PAIRS[2 * n + 1];
}

// '*' for hidden, else '+' for read-only, else a blank.
inline char entry_mark(std::uint8_t attributes)
{
    if ((attributes & ATTR_HIDDEN) != 0u) {
        return '*';
    }
    return (attributes & ATTR_READONLY) != 0u ? '+' : ' ';
}

// The letters shown for each set of the four attributes, indexed by their
// bits as read-only 1, hidden 2, system 4 and archive 8.
inline constexpr auto ATTR_LETTER_SETS = [] {
    std::array<std::array<char, ATTR_LETTERS_LENGTH + 1>, 16> sets{};
    for (std::size_t index = 0; index < sets.size(); ++index) {
        sets[index] = {(index & 8) != 0 ? 'a' : ' ', (index & 1) != 0 ? 'r' : ' ',
                       (index & 2) != 0 ? 'h' : ' ', (index & 4) != 0 ? 's' : ' ', '\0'};
    }
    return sets;
}();

// Four characters: a, r, h, s or a blank each, NUL-terminated.
inline const char* attr_letters(std::uint8_t attributes)
{
    static_assert(ATTR_READONLY == 1 && ATTR_HIDDEN == 2 && ATTR_SYSTEM == 4 &&
                  ATTR_ARCHIVE == 0x20);
    const unsigned index = (attributes & 0x07u) | (attributes & ATTR_ARCHIVE) >> 2;
    return ATTR_LETTER_SETS[index].data();
}

// The time of day in TIME_TEXT_LENGTH characters at at: " 3:04p", "15:04 "
// under /t, or blanks for a zero word.
inline void put_time(char* at, std::uint16_t dos_time)
{
    if (dos_time == 0) {
        std::memset(at, ' ', TIME_TEXT_LENGTH);
        return;
    }
    const DosTime time = dos_time_of(dos_time);
    auto hour = static_cast<std::uint8_t>(time.hour); // 0..31: five bits
    char suffix = ' ';
    if (settings.time_24h == 0) {
        suffix = hour >= 12 ? 'p' : 'a';
        if (hour > 12) {
            hour -= 12;
        }
    }
    put_two_digits(at, hour, ' ');
    at[2] = ':';
    put_two_digits(at + 3, static_cast<std::uint8_t>(time.minute), '0'); // six bits
    at[5] = suffix;
}

// The same as a NUL-terminated text, in a static buffer.
const char* format_time(std::uint16_t dos_time);
