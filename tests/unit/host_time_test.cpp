// File-time conversions of the host layer: POSIX stamps to file times (those
// no file system holds; the search test reads the others from files),
// universal to local time, and local time to DOS date and time words.
#include "host_fixture.h"
#include "posix_internals.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

namespace {

using host_test::UNIX_EPOCH_FILE_TIME;
constexpr FileTime LARGEST = std::numeric_limits<FileTime>::max();

// The file time of a whole second after 1970-01-01 00:00 universal time.
constexpr FileTime at(FileTime unix_seconds)
{
    return UNIX_EPOCH_FILE_TIME + unix_seconds * TICKS_PER_SECOND;
}

struct StampCase {
    std::int64_t seconds;
    std::uint32_t nanoseconds;
    FileTime file_time;
};

constexpr StampCase STAMP_CASES[] = {
    {-UNIX_EPOCH_SECONDS, 0, 0},
    {-UNIX_EPOCH_SECONDS - 1, 500, 0}, // before 1601 clamps
    {std::numeric_limits<std::int64_t>::max(), 0, LARGEST},
};

TEST(HostTime, FileTimeFromUnixTable)
{
    for (const StampCase& c : STAMP_CASES) {
        EXPECT_EQ(file_time_from_unix(c.seconds, c.nanoseconds), c.file_time) << c.seconds;
    }
}

struct CreationCase {
    bool birth_reported;
    std::int64_t seconds;
    std::uint32_t nanoseconds;
    FileTime expected;
};

constexpr FileTime LAST_WRITE = UNIX_EPOCH_FILE_TIME + 42;

constexpr CreationCase CREATION_CASES[] = {
    {true, 1, 0, UNIX_EPOCH_FILE_TIME + TICKS_PER_SECOND},
    {true, 0, 100, UNIX_EPOCH_FILE_TIME + 1}, // the epoch's own second is a birth time
    {true, -1, 0, UNIX_EPOCH_FILE_TIME - TICKS_PER_SECOND},
    {true, 0, 0, LAST_WRITE}, // exactly 0: none recorded
    {false, 1, 0, LAST_WRITE},
};

TEST(HostTime, CreationTimeTable)
{
    for (const CreationCase& c : CREATION_CASES) {
        EXPECT_EQ(creation_time(c.birth_reported, c.seconds, c.nanoseconds, LAST_WRITE), c.expected)
            << c.birth_reported << " " << c.seconds << "." << c.nanoseconds;
    }
}

struct DosCase {
    FileTime local;
    std::uint16_t date;
    std::uint16_t time;
    bool in_range;
};

const DosCase DOS_CASES[] = {
    {at(1'592'228'731), 0x50CF, 0x6DAF, true},  // 2020-06-15 13:45:31, odd second down
    {at(315'532'800), 0x0021, 0x0000, true},    // 1980-01-01 00:00:00
    {at(315'532'799), 0x0021, 0x0000, false},   // a second before
    {0, 0x0021, 0x0000, false},                 // 1601
    {at(4'354'819'198), 0xFF9F, 0xBF7D, true},  // 2107-12-31 23:59:58
    {at(4'354'819'199), 0xFF9F, 0xBF7D, false}, // a second after
    {at(4'354'819'198) + TICKS_PER_SECOND / 2, 0xFF9F, 0xBF7D, true}, // sub-second ignored
    {LARGEST, 0xFF9F, 0xBF7D, false},
};

TEST(HostTime, DosWordsTable)
{
    for (const DosCase& c : DOS_CASES) {
        std::uint16_t date = 1;
        std::uint16_t time = 1;
        EXPECT_EQ(host::FileTimeToDosDateTime(c.local, date, time), c.in_range) << c.local;
        EXPECT_EQ(date, c.date) << c.local;
        EXPECT_EQ(time, c.time) << c.local;
    }
}

// Sets TZ for one test and puts the old value back.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) {
            saved_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;
    ~TimeZone()
    {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

constexpr FileTime HOUR = 3600 * TICKS_PER_SECOND;

TEST(HostTime, UniversalZoneKeepsTheTime)
{
    const TimeZone zone("UTC");
    const FileTime universal = at(1'592'228'731) + 1234;
    FileTime local = 0;
    ASSERT_TRUE(host::FileTimeToLocalFileTime(universal, local));
    EXPECT_EQ(local, universal);
}

TEST(HostTime, LocalTimeFollowsTheStampsOwnDate)
{
    if (!std::filesystem::exists("/usr/share/zoneinfo/EST5EDT")) {
        GTEST_SKIP() << "no tzdata";
    }
    const TimeZone zone("EST5EDT");
    FileTime winter = at(1'610'712'000);       // 2021-01-15 12:00 UTC
    const FileTime summer = at(1'626'350'400); // 2021-07-15 12:00 UTC
    const FileTime winter_universal = winter;
    ASSERT_TRUE(host::FileTimeToLocalFileTime(winter, winter)); // in place
    EXPECT_EQ(winter, winter_universal - 5 * HOUR);
    FileTime local = 0;
    ASSERT_TRUE(host::FileTimeToLocalFileTime(summer, local));
    EXPECT_EQ(local, summer - 4 * HOUR);
}

TEST(HostTime, LocalTimeNearTheEdgesDoesNotWrap)
{
    const TimeZone zone("EST5EDT");
    FileTime local = LARGEST;
    host::FileTimeToLocalFileTime(0, local);
    EXPECT_EQ(local, 0U);
}

} // namespace
