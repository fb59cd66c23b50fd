// File times on a POSIX host: POSIX stamps to file times, universal to local
// time by the host's zone rules, and local file times to DOS date and time
// words. The calendar arithmetic is plain proleptic Gregorian.
#include "fs/dos_range.h"
#include "fs/dos_words.h"
#include "fs/posix/posix_host.h"

#include <ctime>
#include <limits>
#include <string_view>

namespace {

// Seconds from 1601-01-01 to 1970-01-01, both universal time.
constexpr std::int64_t UNIX_EPOCH_SECONDS = 11'644'473'600;
constexpr std::int64_t SECONDS_PER_DAY = 86'400;
constexpr std::int64_t UNIX_EPOCH_DAYS = UNIX_EPOCH_SECONDS / SECONDS_PER_DAY;
constexpr FileTime LARGEST_FILE_TIME = std::numeric_limits<FileTime>::max();

struct CivilDate {
    std::int64_t year;
    unsigned month; // 1-12
    unsigned day;   // 1-31
};

// Days from 1970-01-01 to the date (negative before it).
constexpr std::int64_t days_from_civil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto year_of_era = static_cast<unsigned>(year - era * 400);
    const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146'097 + static_cast<std::int64_t>(day_of_era) - 719'468;
}

constexpr CivilDate civil_from_days(std::int64_t days)
{
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const auto day_of_era = static_cast<unsigned>(days - era * 146'097);
    const unsigned year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
    const unsigned day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const unsigned shifted_month = (5 * day_of_year + 2) / 153;
    const unsigned day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
    const unsigned month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
    const std::int64_t year =
        static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

// Seconds since 1601-01-01 00:00 of a civil date's midnight.
constexpr std::int64_t seconds_since_1601(std::int64_t year, unsigned month, unsigned day)
{
    return (days_from_civil(year, month, day) + UNIX_EPOCH_DAYS) * SECONDS_PER_DAY;
}

static_assert(seconds_since_1601(DOS_FIRST_YEAR, 1, 1) * TICKS_PER_SECOND == FIRST_DOS_TIME);
static_assert((seconds_since_1601(2107, 12, 31) + SECONDS_PER_DAY - 2) * TICKS_PER_SECOND ==
              LAST_DOS_TIME);

constexpr std::uint16_t dos_time_of_seconds(std::int64_t seconds)
{
    const auto second_of_day = static_cast<unsigned>(seconds % SECONDS_PER_DAY);
    return dos_time_word({second_of_day / 3600, second_of_day / 60 % 60, second_of_day % 60});
}

// The date word of a day counted from 1601-01-01.
constexpr std::uint16_t dos_date_of_days(std::int64_t day)
{
    const CivilDate date = civil_from_days(day - UNIX_EPOCH_DAYS);
    return dos_date_word({static_cast<unsigned>(date.year), date.month, date.day});
}

static_assert(dos_date_of_days(FIRST_DOS_TIME / TICKS_PER_SECOND / SECONDS_PER_DAY) == 0x21 &&
              dos_time_of_seconds(FIRST_DOS_TIME / TICKS_PER_SECOND) == 0);
static_assert(civil_from_days(days_from_civil(2000, 2, 29)).day == 29);

// Whether the zone the C library converts with (as its last tzset read it)
// is universal time itself: the zone named UTC, with no offset and no
// daylight saving time, which has no rules to look up for each entry. The
// name is compared only when the library holds another text than before.
bool zone_is_universal()
{
    static const char* named = nullptr;
    static bool named_utc = false;
    if (tzname[0] != named) {
        named = tzname[0];
        named_utc = named != nullptr && std::string_view{named} == "UTC";
    }
    return timezone == 0 && daylight == 0 && named_utc;
}

// The DOS date word of a day, the last one asked kept: a directory's
// entries often share their day.
std::uint16_t dos_date_of_day(std::int64_t day)
{
    static std::int64_t last_day = -1;
    static std::uint16_t last_word = 0;
    if (day != last_day) {
        last_word = dos_date_of_days(day);
        last_day = day;
    }
    return last_word;
}

} // namespace

FileTime file_time_from_unix(std::int64_t seconds, std::uint32_t nanoseconds)
{
    if (seconds < -UNIX_EPOCH_SECONDS) {
        return 0;
    }
    const auto since_1601 = static_cast<std::uint64_t>(seconds) + UNIX_EPOCH_SECONDS;
    if (since_1601 >= LARGEST_FILE_TIME / TICKS_PER_SECOND) {
        return LARGEST_FILE_TIME;
    }
    return since_1601 * TICKS_PER_SECOND + nanoseconds / 100;
}

FileTime creation_time(bool birth_reported, std::int64_t birth_seconds,
                       std::uint32_t birth_nanoseconds, FileTime last_write)
{
    // Trees laid down from an image often carry a birth time of exactly 0:
    // no birth recorded, not one at the epoch.
    if (!birth_reported || (birth_seconds == 0 && birth_nanoseconds == 0)) {
        return last_write;
    }
    return file_time_from_unix(birth_seconds, birth_nanoseconds);
}

namespace host {

bool FileTimeToLocalFileTime(const FileTime& time, FileTime& local)
{
    if (zone_is_universal()) {
        local = time;
        return true;
    }
    const FileTime universal = time; // local may be the very same object
    const std::time_t seconds =
        static_cast<std::time_t>(universal / TICKS_PER_SECOND) - UNIX_EPOCH_SECONDS;
    std::tm parts{};
    if (localtime_r(&seconds, &parts) == nullptr) {
        local = universal;
        return false;
    }
    const std::int64_t offset = parts.tm_gmtoff * static_cast<std::int64_t>(TICKS_PER_SECOND);
    const auto magnitude = static_cast<FileTime>(offset < 0 ? -offset : offset);
    if (offset < 0) {
        local = universal > magnitude ? universal - magnitude : 0;
    } else {
        local =
            LARGEST_FILE_TIME - universal > magnitude ? universal + magnitude : LARGEST_FILE_TIME;
    }
    return true;
}

bool FileTimeToDosDateTime(const FileTime& local, std::uint16_t& date, std::uint16_t& time)
{
    const DosRangeTime kept = within_dos_range(local);
    const auto seconds = static_cast<std::int64_t>(kept.time / TICKS_PER_SECOND);
    date = dos_date_of_day(seconds / SECONDS_PER_DAY);
    time = dos_time_of_seconds(seconds);
    return kept.in_range;
}

} // namespace host
