// The fixed-width record in which a listed file or directory is held, and
// the totals of the directory being listed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::uint8_t KIND_FILE = 0;
inline constexpr std::uint8_t KIND_DIR = 4; // read as a bit: directories sort first

inline constexpr std::size_t SHORT_NAME_WIDTH = 8;
inline constexpr std::size_t SHORT_EXT_WIDTH = 3;
inline constexpr std::size_t LONG_NAME_ROOM = 256;

// One listed entry. short_name and short_ext are NUL-padded (every byte after
// the first NUL is a NUL too) and carry no terminator when full: every reader
// bounds them by their width, and the orders may read each whole as a number.
struct EntryRecord {
    std::array<char, SHORT_NAME_WIDTH> short_name; // 8.3 base name, lower case
    std::array<char, SHORT_EXT_WIDTH> short_ext;   // 8.3 extension, no dot
    std::array<char, LONG_NAME_ROOM> long_name;    // as stored, NUL-terminated
    std::uint8_t kind;
    std::uint8_t attributes; // low byte of the attribute word
    std::uint64_t size;      // zero for a directory
    std::uint16_t dos_time;  // shown time stamp, local
    std::uint16_t dos_date;
};

// A byte total with count added, held at 2^64 - 1 rather than wrapped: a sum
// no real tree reaches, but one that sparse files can claim.
constexpr std::uint64_t add_bytes(std::uint64_t total, std::uint64_t count)
{
    return total > UINT64_MAX - count ? UINT64_MAX : total + count;
}

// The pass now running: what it captured and the bytes of its files.
struct ScanTotals {
    std::uint32_t entries = 0;
    std::uint32_t directories = 0;
    std::uint64_t bytes = 0;
};
