// The four listing orders over entry records, each with directories first
// and every remaining tie broken by the long name, and the in-place sort of a
// pass's buffered records.
#include "scan/sort_orders.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "core/run_state.h"
#include "text/case_map.h"
#include "text/fixed_text.h"

namespace {

using Comparison = int (*)(const EntryRecord&, const EntryRecord&);

int compare_bytes(char a, char b)
{
    const auto byte_a = static_cast<unsigned char>(a);
    const auto byte_b = static_cast<unsigned char>(b);
    return byte_a < byte_b ? -1 : (byte_a > byte_b ? 1 : 0);
}

// Compares NUL-padded fields as unsigned bytes, up to their width or a shared
// NUL, so that a shorter field sorts before one it is the start of.
template <std::size_t Width>
int compare_field(const std::array<char, Width>& a, const std::array<char, Width>& b)
{
    for (std::size_t i = 0; i < Width; ++i) {
        if (const int order = compare_bytes(a[i], b[i]); order != 0) {
            return order;
        }
        if (a[i] == '\0') {
            return 0;
        }
    }
    return 0;
}

// Long names with A-Z folded to a-z, and where they are then equal, as
// stored: one pass that keeps the first difference of case for the end.
// Equal bytes, the usual case along a shared start, cost one comparison.
int compare_long_names(const EntryRecord& a, const EntryRecord& b)
{
    int case_order = 0;
    for (std::size_t i = 0; i < LONG_NAME_ROOM; ++i) {
        const char char_a = a.long_name[i];
        const char char_b = b.long_name[i];
        if (char_a == char_b) {
            if (char_a == '\0') {
                break;
            }
            continue;
        }
        if (const int order = compare_bytes(to_lower_case(char_a), to_lower_case(char_b));
            order != 0) {
            return order;
        }
        if (case_order == 0) {
            case_order = compare_bytes(char_a, char_b);
        }
    }
    return case_order;
}

template <typename Number> int compare_numbers(Number a, Number b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool is_directory(const EntryRecord& record)
{
    return (record.kind & KIND_DIR) != 0;
}

// The sort with the comparison known at compile time, so that each of the
// many comparisons of a large directory is a direct, inlinable call.
template <Comparison Compare> void sort_with(EntryRecord* first, std::uint32_t n)
{
    std::sort(first, first + n,
              [](const EntryRecord& a, const EntryRecord& b) { return Compare(a, b) < 0; });
}

} // namespace

int dirs_first(const EntryRecord& a, const EntryRecord& b)
{
    return static_cast<int>(is_directory(b)) - static_cast<int>(is_directory(a));
}

int compare_name(const EntryRecord& a, const EntryRecord& b)
{
    if (const int order = dirs_first(a, b); order != 0) {
        return order;
    }
    if (const int order = compare_field(a.short_name, b.short_name); order != 0) {
        return order;
    }
    if (const int order = compare_field(a.short_ext, b.short_ext); order != 0) {
        return order;
    }
    return compare_long_names(a, b);
}

int compare_ext(const EntryRecord& a, const EntryRecord& b)
{
    if (const int order = dirs_first(a, b); order != 0) {
        return order;
    }
    if (const int order = compare_field(a.short_ext, b.short_ext); order != 0) {
        return order;
    }
    if (const int order = compare_field(a.short_name, b.short_name); order != 0) {
        return order;
    }
    return compare_long_names(a, b);
}

int compare_size(const EntryRecord& a, const EntryRecord& b)
{
    if (const int order = dirs_first(a, b); order != 0) {
        return order;
    }
    if (const int order = compare_numbers(a.size, b.size); order != 0) {
        return order;
    }
    return compare_name(a, b);
}

// DOS date and time words hold their fields from the largest down, so their
// numeric order is the chronological one.
int compare_date(const EntryRecord& a, const EntryRecord& b)
{
    if (const int order = dirs_first(a, b); order != 0) {
        return order;
    }
    if (const int order = compare_numbers(a.dos_date, b.dos_date); order != 0) {
        return order;
    }
    if (const int order = compare_numbers(a.dos_time, b.dos_time); order != 0) {
        return order;
    }
    return compare_name(a, b);
}

void sort_entries(SortKey sort_key, std::uint32_t n)
{
    if (n < 2) {
        return;
    }
    EntryRecord* const first = entry_buffer.get();
    switch (sort_key) {
    case SORT_NAME: sort_with<compare_name>(first, n); break;
    case SORT_EXT: sort_with<compare_ext>(first, n); break;
    case SORT_SIZE: sort_with<compare_size>(first, n); break;
    case SORT_DATE: sort_with<compare_date>(first, n); break;
    default: break; // SORT_NONE and any other key leave the records as they are
    }
}
