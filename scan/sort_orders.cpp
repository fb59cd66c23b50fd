// The four listing orders over entry records, each with directories first
// and every remaining tie broken by the long name, and the order of a pass's
// buffered records: their slots sorted by packed keys, the records left where
// they are for the listing to read in that order.
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

// The keys' order, word by word, each word read only when those before tie.
int compare_keys(const OrderKey& a, const OrderKey& b)
{
    for (std::size_t word = 0; word < a.size(); ++word) {
        if (a[word] != b[word]) {
            return a[word] < b[word] ? -1 : 1;
        }
    }
    return 0;
}

// The records' slots ordered by their keys, ties by long name; the records
// themselves stay where they are.
template <SortKey Key> void sort_keyed(std::vector<Keyed>& keyed, const EntryRecord* first)
{
    for (Keyed& entry : keyed) {
        entry.key = key_of<Key>(first[entry.slot]);
    }
    std::sort(keyed.begin(), keyed.end(), [first](const Keyed& a, const Keyed& b) {
        const int order = compare_keys(a.key, b.key);
        return order != 0 ? order < 0
                          : compare_long_names(first[a.slot].long_name.data(),
                                               first[b.slot].long_name.data()) < 0;
    });
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

std::span<const std::uint32_t> sorted_slots(SortKey sort_key, std::uint32_t n)
{
    static std::vector<Keyed> keyed;
    static std::vector<std::uint32_t> slots;
    keyed.resize(n);
    for (std::uint32_t slot = 0; slot < n; ++slot) {
        keyed[slot].slot = slot;
    }
    if (n > 1) {
        with_order(sort_key,
                   [](auto key) { sort_keyed<decltype(key)::value>(keyed, entry_buffer.get()); });
    }
    slots.resize(n);
    std::transform(keyed.begin(), keyed.end(), slots.begin(),
                   [](const Keyed& entry) { return entry.slot; });
    return {slots.data(), n};
}
