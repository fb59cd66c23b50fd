// Byte counts as text: decimal with comma groups, cut to a width with "..".
#pragma once

#include <cstdint>

// Widths the report uses.
inline constexpr std::uint32_t SIZE_COLUMN_WIDTH = 11;
inline constexpr std::uint32_t SUMMARY_WIDTH = 15;
inline constexpr std::uint32_t TOTAL_WIDTH = 500; // never cuts a 64-bit count

// Returns a static buffer that the next call overwrites. width >= 2.
const char* format_count(std::uint64_t value, std::uint32_t width);
