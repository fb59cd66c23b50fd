// The DOS date and time words in which entries keep their shown time stamp:
// date: years since 1980 in bits 9-15, month in bits 5-8, day in bits 0-4;
// time: hours in bits 11-15, minutes in bits 5-10, two-second units in 0-4.
// Their numeric order is the chronological one.
#pragma once

#include <cstdint>

inline constexpr unsigned DOS_FIRST_YEAR = 1980;

struct DosDate {
    unsigned year; // 1980-2107
    unsigned month;
    unsigned day;
};

struct DosTime {
    unsigned hour;
    unsigned minute;
    unsigned second; // even: the word keeps two-second units
};

constexpr std::uint16_t dos_date_word(DosDate date)
{
    return static_cast<std::uint16_t>((date.year - DOS_FIRST_YEAR) << 9 | date.month << 5 |
                                      date.day);
}

constexpr std::uint16_t dos_time_word(DosTime time)
{
    return static_cast<std::uint16_t>(time.hour << 11 | time.minute << 5 | time.second / 2);
}

constexpr DosDate dos_date_of(std::uint16_t word)
{
    return {DOS_FIRST_YEAR + (word >> 9), (word >> 5) & 0x0Fu, word & 0x1Fu};
}

constexpr DosTime dos_time_of(std::uint16_t word)
{
    return {static_cast<unsigned>(word >> 11), (word >> 5) & 0x3Fu, (word & 0x1Fu) * 2};
}

static_assert(dos_date_word(dos_date_of(0x5A31)) == 0x5A31);
static_assert(dos_time_word(dos_time_of(0x7BBD)) == 0x7BBD);
