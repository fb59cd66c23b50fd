// The four listing orders over entry records, each with directories first
// and every remaining tie broken by the long name, and the sort of a pass's
// buffered records: an order of their slots is sorted, then the records are
// put in it, each moved once.
#include "scan/sort_orders.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

#include "core/run_state.h"
#include "text/case_map.h"
#include "text/fixed_text.h"

namespace {

int compare_bytes(char a, char b)
{
    const auto byte_a = static_cast<unsigned char>(a);
    const auto byte_b = static_cast<unsigned char>(b);
    return byte_a < byte_b ? -1 : (byte_a > byte_b ? 1 : 0);
}

// A NUL-padded field as one number whose order is that of its bytes read as
// unsigned, first to last: a shorter field, padded with NULs, comes before
// one it is the start of, and the bytes after a shared NUL are NULs too.
bool is_directory(const EntryRecord& record)
{
    return (record.kind & KIND_DIR) != 0;
}

int compare_short_name(const EntryRecord& a, const EntryRecord& b)
{
    return compare_numbers(field_number(a.short_name), field_number(b.short_name));
}

int compare_short_ext(const EntryRecord& a, const EntryRecord& b)
{
    return compare_numbers(field_number(a.short_ext), field_number(b.short_ext));
}

// A record's place in an order, as far as its fixed fields decide it.
struct Keyed {
    OrderKey key;
    std::uint32_t slot;
};

template <SortKey Key> OrderKey key_of(const EntryRecord& record)
{
    return order_key<Key>(OrderFields{record.short_name, record.short_ext, is_directory(record),
                                      record.size, record.dos_date, record.dos_time});
}

// The slots [0, n) ordered by their keys, ties by long name; then the
// records put in that order, each moved once, along the cycles of the order.
template <SortKey Key> void sort_by_keys(EntryRecord* first, std::uint32_t n)
{
    static std::vector<Keyed> order;
    order.resize(n);
    for (std::uint32_t slot = 0; slot < n; ++slot) {
        order[slot] = {key_of<Key>(first[slot]), slot};
    }
    std::sort(order.begin(), order.end(), [first](const Keyed& a, const Keyed& b) {
        return a.key != b.key ? a.key < b.key
                              : compare_long_names(first[a.slot].long_name.data(),
                                                   first[b.slot].long_name.data()) < 0;
    });
    for (std::uint32_t start = 0; start < n; ++start) {
        if (order[start].slot == start) {
            continue;
        }
        const EntryRecord held = first[start];
        std::uint32_t place = start;
        while (order[place].slot != start) {
            const std::uint32_t from = order[place].slot;
            first[place] = first[from];
            order[place].slot = place;
            place = from;
        }
        first[place] = held;
        order[place].slot = place;
    }
}

} // namespace

// Equal bytes, the usual case along a shared start, cost one comparison; the
// first difference of case is kept for the end.
int compare_long_names(const char* a, const char* b)
{
    int case_order = 0;
    for (std::size_t i = 0;; ++i) {
        const char char_a = a[i];
        const char char_b = b[i];
        if (char_a == char_b) {
            if (char_a == '\0') {
                return case_order;
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
}

int dirs_first(const EntryRecord& a, const EntryRecord& b)
{
    return static_cast<int>(is_directory(b)) - static_cast<int>(is_directory(a));
}

int compare_name(const EntryRecord& a, const EntryRecord& b)
{
    if (const int order = dirs_first(a, b); order != 0) {
        return order;
    }
    if (const int order = compare_short_name(a, b); order != 0) {
        return order;
    }
    if (const int order = compare_short_ext(a, b); order != 0) {
        return order;
    }
    return compare_long_names(a.long_name.data(), b.long_name.data());
}

int compare_ext(const EntryRecord& a, const EntryRecord& b)
{
    if (const int order = dirs_first(a, b); order != 0) {
        return order;
    }
    if (const int order = compare_short_ext(a, b); order != 0) {
        return order;
    }
    if (const int order = compare_short_name(a, b); order != 0) {
        return order;
    }
    return compare_long_names(a.long_name.data(), b.long_name.data());
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
    with_order(sort_key, [n](auto key) { sort_by_keys<decltype(key)::value>(entry_buffer.get(), n); });
}
