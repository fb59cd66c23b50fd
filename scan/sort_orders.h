// The orders of a sorted listing: directories first, then by name, extension,
// size or date, and records that still tie by long name (A-Z folded, then as
// stored). Comparisons return <0 when a goes first, >0 when b does.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

#include "core/entry_record.h"
#include "core/settings.h"

int dirs_first(const EntryRecord& a, const EntryRecord& b);
int compare_name(const EntryRecord& a, const EntryRecord& b);
int compare_ext(const EntryRecord& a, const EntryRecord& b);
int compare_size(const EntryRecord& a, const EntryRecord& b);
int compare_date(const EntryRecord& a, const EntryRecord& b);

// The slots [0, n) of entry_buffer in the order of the key, the records left
// where they are; SORT_NONE and any unknown key give them as they stand. The
// view holds until the next call.
std::span<const std::uint32_t> sorted_slots(SortKey sort_key, std::uint32_t n);

// What an order reads of an entry, wherever the entry is held.
struct OrderFields {
    const std::array<char, SHORT_NAME_WIDTH>& short_name;
    const std::array<char, SHORT_EXT_WIDTH>& short_ext;
    bool directory;
    std::uint64_t size;
    std::uint16_t dos_date;
    std::uint16_t dos_time;
};

// An entry's rank under an order as far as its fixed fields decide it:
// three numbers, compared in turn. Entries whose numbers tie go by
// compare_long_names. Inline, and by the order as a template argument, so
// that a sort of a million entries makes no call per comparison.
using OrderKey = std::array<std::uint64_t, 3>;

// The bytes of a number in the other order (compilers make it one instruction).
constexpr std::uint64_t swap_bytes(std::uint64_t v)
{
    v = (v & 0x0000'0000'FFFF'FFFFULL) << 32 | v >> 32;
    v = (v & 0x0000'FFFF'0000'FFFFULL) << 16 | (v >> 16 & 0x0000'FFFF'0000'FFFFULL);
    return (v & 0x00FF'00FF'00FF'00FFULL) << 8 | (v >> 8 & 0x00FF'00FF'00FF'00FFULL);
}

// A NUL-padded field as one number whose order is that of its bytes read as
// unsigned, first to last: a shorter field, padded with NULs, comes before
// one it is the start of, and the bytes after a shared NUL are NULs too.
inline std::uint64_t field_number(const std::array<char, SHORT_NAME_WIDTH>& field)
{
    static_assert(SHORT_NAME_WIDTH == sizeof(std::uint64_t));
    std::uint64_t number = 0;
    std::memcpy(&number, field.data(), sizeof number);
    // The first byte the most significant.
    return std::endian::native == std::endian::little ? swap_bytes(number) : number;
}

inline std::uint64_t field_number(const std::array<char, SHORT_EXT_WIDTH>& field)
{
    const auto byte = [&field](std::size_t at) {
        return std::uint64_t{static_cast<unsigned char>(field[at])};
    };
    return byte(0) << 16 | byte(1) << 8 | byte(2);
}

// Sizes are below 2^63 (a file's size is a signed 64-bit number on every
// host), so size + 1 cannot wrap.
template <SortKey Key> OrderKey order_key(const OrderFields& fields)
{
    const std::uint64_t name = field_number(fields.short_name);
    const std::uint64_t ext = field_number(fields.short_ext);
    const std::uint64_t file = fields.directory ? 0 : 1; // directories first
    if constexpr (Key == SORT_NAME) {
        return {file, name, ext};
    } else if constexpr (Key == SORT_EXT) {
        return {file << 24 | ext, name, 0};
    } else if constexpr (Key == SORT_SIZE) {
        return {file == 0 ? 0 : fields.size + 1, name, ext};
    } else {
        static_assert(Key == SORT_DATE);
        return {file << 32 | std::uint64_t{fields.dos_date} << 16 | fields.dos_time, name, ext};
    }
}

template <typename Number> int compare_numbers(Number a, Number b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

// The order of two entries as far as their fixed fields decide it, as their
// order_key would give it, each field read only when the ones before tie.
template <SortKey Key> int compare_fields(const OrderFields& a, const OrderFields& b)
{
    if (a.directory != b.directory) {
        return a.directory ? -1 : 1;
    }
    const auto by = [&a, &b](auto field) { return compare_numbers(field(a), field(b)); };
    const auto name = [](const OrderFields& f) { return field_number(f.short_name); };
    const auto ext = [](const OrderFields& f) { return field_number(f.short_ext); };
    int order = 0;
    if constexpr (Key == SORT_SIZE) {
        order = by([](const OrderFields& f) { return f.size; });
    } else if constexpr (Key == SORT_DATE) {
        order = by([](const OrderFields& f) {
            return std::uint32_t{f.dos_date} << 16 | f.dos_time; // the date's top bit too
        });
    }
    if constexpr (Key == SORT_EXT) {
        order = order != 0 ? order : by(ext);
        return order != 0 ? order : by(name);
    } else {
        order = order != 0 ? order : by(name);
        return order != 0 ? order : by(ext);
    }
}

// Calls sort(std::integral_constant<SortKey, K>) with the key as a template
// argument; nothing for SORT_NONE or an unknown key.
template <typename Sort> void with_order(SortKey sort_key, Sort sort)
{
    switch (sort_key) {
    case SORT_NAME: sort(std::integral_constant<SortKey, SORT_NAME>{}); break;
    case SORT_EXT: sort(std::integral_constant<SortKey, SORT_EXT>{}); break;
    case SORT_SIZE: sort(std::integral_constant<SortKey, SORT_SIZE>{}); break;
    case SORT_DATE: sort(std::integral_constant<SortKey, SORT_DATE>{}); break;
    default: break; // SORT_NONE and any other key leave the order as it is
    }
}
// Long names with A-Z folded to a-z, and where they are then equal, as
// stored; each ends at its NUL.
int compare_long_names(const char* a, const char* b);
