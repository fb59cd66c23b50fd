// File times on Win32: universal to local time and local time to DOS words
// through the host's own conversions. The layer keeps the results inside
// their ranges itself: a local time that would wrap past either end of the
// 64-bit count stays at that end, and a time outside the DOS range converts to
// the nearer edge of it, as every host layer gives it.
#include "fs/win32/win32_host.h"

#include <limits>

namespace host {

namespace {

constexpr FileTime TICKS_PER_SECOND = 10'000'000;
constexpr FileTime TICKS_PER_DAY = 86'400 * TICKS_PER_SECOND;
// Days from 1601-01-01 to 1980-01-01 and to 2108-01-01.
constexpr FileTime DAYS_TO_1980 = 138'426;
constexpr FileTime DAYS_TO_2108 = 185'177;
constexpr FileTime FIRST_DOS_TIME = DAYS_TO_1980 * TICKS_PER_DAY; // 1980-01-01 00:00:00
// 2107-12-31 23:59:58, the last time a DOS time word (two-second units) holds.
constexpr FileTime LAST_DOS_TIME = DAYS_TO_2108 * TICKS_PER_DAY - 2 * TICKS_PER_SECOND;
constexpr FileTime LARGEST_FILE_TIME = std::numeric_limits<FileTime>::max();
// The DOS words of FIRST_DOS_TIME: 1980-01-01, 00:00.
constexpr std::uint16_t FIRST_DOS_DATE_WORD = 0x21;
constexpr std::uint16_t FIRST_DOS_TIME_WORD = 0;

static_assert(FIRST_DOS_TIME == 119'600'064'000'000'000);

} // namespace

bool FileTimeToLocalFileTime(const FileTime& time, FileTime& local)
{
    const FileTime universal = time; // local may be the very same object
    const FILETIME given = to_filetime(universal);
    FILETIME converted{};
    if (::FileTimeToLocalFileTime(&given, &converted) == 0) {
        local = universal;
        return false;
    }
    local = file_time(converted);
    // The offset is hours; a difference beyond that is the count wrapping.
    const auto offset = static_cast<std::int64_t>(local - universal);
    if (offset > 0 && local < universal) {
        local = LARGEST_FILE_TIME;
    } else if (offset < 0 && local > universal) {
        local = 0;
    }
    return true;
}

bool FileTimeToDosDateTime(const FileTime& local, std::uint16_t& date, std::uint16_t& time)
{
    const bool in_range =
        local >= FIRST_DOS_TIME && local / TICKS_PER_SECOND <= LAST_DOS_TIME / TICKS_PER_SECOND;
    FileTime clamped = local;
    if (local < FIRST_DOS_TIME) {
        clamped = FIRST_DOS_TIME;
    } else if (!in_range) {
        clamped = LAST_DOS_TIME;
    }
    const FILETIME given = to_filetime(clamped);
    WORD date_word = FIRST_DOS_DATE_WORD;
    WORD time_word = FIRST_DOS_TIME_WORD;
    const bool converted = ::FileTimeToDosDateTime(&given, &date_word, &time_word) != 0;
    date = date_word;
    time = time_word;
    return in_range && converted;
}

} // namespace host
