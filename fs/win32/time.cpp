// File times on Win32: universal to local time and local time to DOS words
// through the host's own conversions. The layer keeps the results inside
// their ranges itself: a local time that would wrap past either end of the
// 64-bit count stays at that end, and a time outside the DOS range converts to
// the nearer edge of it, as every host layer gives it.
#include "fs/dos_range.h"
#include "fs/win32/win32_host.h"

#include <limits>

namespace host {

namespace {

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
    const DosRangeTime kept = within_dos_range(local);
    const FILETIME given = to_filetime(kept.time);
    WORD date_word = FIRST_DOS_DATE_WORD;
    WORD time_word = FIRST_DOS_TIME_WORD;
    const bool converted = ::FileTimeToDosDateTime(&given, &date_word, &time_word) != 0;
    date = date_word;
    time = time_word;
    return kept.in_range && converted;
}

} // namespace host
