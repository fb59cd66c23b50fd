// Byte counts as decimal text with a comma between groups of three digits,
// cut to the caller's width and marked "..", in one shared static buffer.
#include "report/format_count.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <string_view>

namespace {

constexpr std::size_t MAX_DIGITS = 20; // 18446744073709551615
constexpr std::size_t COUNT_ROOM = 28; // its 26 grouped characters and a NUL
constexpr std::size_t GROUP_SIZE = 3;
constexpr std::uint32_t CUT_MARK_LENGTH = 2; // ".."

std::array<char, COUNT_ROOM> count_text;

// Copies the digits with a ',' before each digit that begins a group of
// three counted from the end, the first digit excepted; returns the length.
std::size_t write_grouped(std::string_view digits)
{
    std::size_t length = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % GROUP_SIZE == 0) {
            count_text[length++] = ',';
        }
        count_text[length++] = digits[i];
    }
    count_text[length] = '\0';
    return length;
}

} // namespace

const char* format_count(std::uint64_t value, std::uint32_t width)
{
    std::array<char, MAX_DIGITS> digits;
    const char* digits_end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    const std::size_t length = write_grouped({digits.data(), digits_end});
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
