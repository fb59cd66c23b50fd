// Byte counts as decimal text with a comma between groups of three digits,
// cut to the caller's width and marked "..", in one shared static buffer.
#include "report/format_count.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace {

constexpr std::size_t COUNT_ROOM = 28; // 18,446,744,073,709,551,615: 26 characters, a NUL
constexpr int GROUP_SIZE = 3;
constexpr std::uint32_t CUT_MARK_LENGTH = 2; // ".."
constexpr std::uint64_t BASE = 10;

std::array<char, COUNT_ROOM> count_text;

// The grouped text written from its last digit back, at the end of the
// buffer; returns where it begins.
char* write_grouped_backwards(std::uint64_t value)
{
    char* at = count_text.data() + COUNT_ROOM - 1;
    *at = '\0';
    int in_group = 0;
    do {
        if (in_group == GROUP_SIZE) {
            *--at = ',';
            in_group = 0;
        }
        *--at = static_cast<char>('0' + value % BASE);
        value /= BASE;
        ++in_group;
    } while (value != 0);
    return at;
}

} // namespace

const char* format_count(std::uint64_t value, std::uint32_t width)
{
    const char* start = write_grouped_backwards(value);
    const auto length = static_cast<std::size_t>(count_text.data() + COUNT_ROOM - 1 - start);
    std::memmove(count_text.data(), start, length + 1);
    // Widths below the mark's own length are never asked for; treat them as 2.
    const std::uint32_t room = std::max(width, CUT_MARK_LENGTH);
    if (length > room) {
        const std::size_t cut = room - CUT_MARK_LENGTH;
        count_text[cut] = '.';
        count_text[cut + 1] = '.';
        count_text[cut + 2] = '\0';
    }
    return count_text.data();
}
