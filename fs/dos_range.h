// The span of local times that DOS date and time words hold, as file times,
// and a time kept inside it: every host layer converts to DOS words through
// it, so an entry outside the span shows and sorts at its nearer edge on
// every host.
#pragma once

#include "fs/fs_services.h"

inline constexpr FileTime TICKS_PER_DAY = 86'400 * TICKS_PER_SECOND;
// 1980-01-01 00:00:00, 138,426 days after 1601-01-01.
inline constexpr FileTime FIRST_DOS_TIME = 138'426 * TICKS_PER_DAY;
// 2107-12-31 23:59:58, the last time the two-second units of a DOS time word
// reach; 2108-01-01 is 185,177 days after 1601-01-01.
inline constexpr FileTime LAST_DOS_TIME = 185'177 * TICKS_PER_DAY - 2 * TICKS_PER_SECOND;

struct DosRangeTime {
    FileTime time; // the time itself, or the nearer edge of the span
    bool in_range;
};

// A sub-second part past the last second of the span is ignored, as the
// words keep no such part.
constexpr DosRangeTime within_dos_range(FileTime local)
{
    if (local < FIRST_DOS_TIME) {
        return {FIRST_DOS_TIME, false};
    }
    if (local / TICKS_PER_SECOND > LAST_DOS_TIME / TICKS_PER_SECOND) {
        return {LAST_DOS_TIME, false};
    }
    return {local, true};
}
