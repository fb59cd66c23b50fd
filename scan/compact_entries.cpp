// Entries held compactly: 28 bytes each beside the long name, about a tenth
// of a whole record, so that a directory of a million entries is sorted in
// a few tens of MiB. They are sorted by their fixed fields alone, then each
// run of ties by long name.
#include "scan/compact_entries.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "fs/fs_services.h"
#include "scan/sort_orders.h"
#include "text/case_map.h"
#include "text/fixed_text.h"

struct CompactEntries::Entry {
    std::array<char, SHORT_NAME_WIDTH> short_name;
    std::array<char, SHORT_EXT_WIDTH> short_ext;
    std::uint8_t attributes;
    std::uint32_t name_at; // where the long name begins in the arena
    std::uint32_t size_low;
    std::uint32_t size_high;
    std::uint16_t dos_date;
    std::uint16_t dos_time;
};

namespace {

constexpr std::size_t FIRST_ENTRY_ROOM = 64 * 1024;
// Sorted, the entries' names lie anywhere in the arena; a pass over them
// asks for the name this many entries on, so that its wait for memory
// overlaps the work on the ones before.
constexpr std::size_t FETCH_AHEAD = 16;
constexpr std::size_t FIRST_NAME_ROOM = 1024 * 1024;
constexpr std::uint64_t LOW_HALF = 0xFFFF'FFFF;

using Entry = CompactEntries::Entry;

// A hint that the bytes at address are wanted soon; nothing where the
// compiler has no way to say so.
void fetch_soon(const void* address)
{
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    static_cast<void>(address);
#endif
}

// The name of the entry FETCH_AHEAD after at, when [at, last) holds one.
void fetch_name_ahead(const Entry* at, const Entry* last, const char* names)
{
    if (last - at > static_cast<std::ptrdiff_t>(FETCH_AHEAD)) {
        fetch_soon(names + at[FETCH_AHEAD].name_at);
    }
}

std::uint64_t size_of(const Entry& entry)
{
    return std::uint64_t{entry.size_high} << 32 | entry.size_low;
}

bool is_directory(const Entry& entry)
{
    return (entry.attributes & ATTR_DIRECTORY) != 0;
}

OrderFields fields_of(const Entry& entry)
{
    return {entry.short_name, entry.short_ext, is_directory(entry),
            size_of(entry),   entry.dos_date,  entry.dos_time};
}

// How far two names run alike with A-Z folded, from the start up to limit.
std::size_t folded_alike_length(const char* a, const char* b, std::size_t limit)
{
    std::size_t at = 0;
    while (at < limit && a[at] != '\0' && to_lower_case(a[at]) == to_lower_case(b[at])) {
        ++at;
    }
    return at;
}

// The eight bytes of a name from at (at most its length) with A-Z folded and
// NULs past its end: as a short name field, field_number reads them as one
// number in the order compare_long_names gives them.
std::array<char, SHORT_NAME_WIDTH> folded_word(const char* name, std::size_t at)
{
    std::array<char, SHORT_NAME_WIDTH> word{};
    for (std::size_t i = 0; i < word.size() && name[at + i] != '\0'; ++i) {
        word[i] = to_lower_case(name[at + i]);
    }
    return word;
}

// Entries whose fixed fields tie, put in the order of their long names.
// Their short names are all one, so while they are sorted that field holds
// the eight folded bytes of each name past the start they all share: most
// pairs differ there, and are told apart as two numbers without reading
// their names again. The short names are put back after.
void sort_by_long_names(Entry* first, Entry* last, const char* names)
{
    if (last - first < 2) {
        return;
    }
    const std::array<char, SHORT_NAME_WIDTH> short_name = first->short_name;
    const char* lead = names + first->name_at;
    std::size_t shared = LONG_NAME_ROOM;
    for (const Entry* entry = first + 1; entry != last; ++entry) {
        fetch_name_ahead(entry, last, names);
        shared = folded_alike_length(lead, names + entry->name_at, shared);
    }
    for (Entry* entry = first; entry != last; ++entry) {
        fetch_name_ahead(entry, last, names);
        entry->short_name = folded_word(names + entry->name_at, shared);
    }
    std::sort(first, last, [names](const Entry& a, const Entry& b) {
        const std::uint64_t word_a = field_number(a.short_name);
        const std::uint64_t word_b = field_number(b.short_name);
        return word_a != word_b ? word_a < word_b
                                : compare_long_names(names + a.name_at, names + b.name_at) < 0;
    });
    for (Entry* entry = first; entry != last; ++entry) {
        entry->short_name = short_name;
    }
}

// Grows room to hold needed, doubling; false, and nothing changed, when
// memory is short. realloc keeps a large block where it is and maps more
// pages to it, so growing never holds two copies.
template <typename T> bool grow(T*& block, std::size_t& room, std::size_t needed, std::size_t first)
{
    if (needed <= room) {
        return true;
    }
    const std::size_t wanted = std::max({needed, room * 2, first});
    void* grown = std::realloc(block, wanted * sizeof(T));
    if (grown == nullptr) {
        return false;
    }
    block = static_cast<T*>(grown);
    room = wanted;
    return true;
}

} // namespace

CompactEntries::~CompactEntries()
{
    std::free(entries_);
    std::free(names_);
}

bool CompactEntries::reserve_entries()
{
    return grow(entries_, entry_room_, count_ + 1, FIRST_ENTRY_ROOM);
}

bool CompactEntries::reserve_names(std::size_t bytes)
{
    return names_used_ + bytes <= UINT32_MAX &&
           grow(names_, name_room_, names_used_ + bytes, FIRST_NAME_ROOM);
}

bool CompactEntries::add(const EntryRecord& record)
{
    const std::string_view name = bounded_text(record.long_name.data(), LONG_NAME_ROOM);
    if (!reserve_entries() || !reserve_names(name.size() + 1)) {
        return false;
    }
    Entry& entry = entries_[count_++];
    entry.short_name = record.short_name;
    entry.short_ext = record.short_ext;
    entry.attributes = record.attributes;
    entry.name_at = static_cast<std::uint32_t>(names_used_);
    entry.size_low = static_cast<std::uint32_t>(record.size & LOW_HALF);
    entry.size_high = static_cast<std::uint32_t>(record.size >> 32);
    entry.dos_date = record.dos_date;
    entry.dos_time = record.dos_time;
    std::memcpy(names_ + names_used_, name.data(), name.size());
    names_[names_used_ + name.size()] = '\0';
    names_used_ += name.size() + 1;
    return true;
}

void CompactEntries::sort(SortKey sort_key)
{
    with_order(sort_key, [this](auto key) {
        constexpr SortKey Key = decltype(key)::value;
        const auto by_fields = [](const Entry& a, const Entry& b) {
            return compare_fields<Key>(fields_of(a), fields_of(b));
        };
        Entry* const end = entries_ + count_;
        std::sort(entries_, end,
                  [&by_fields](const Entry& a, const Entry& b) { return by_fields(a, b) < 0; });
        for (Entry* run = entries_; run != end;) {
            Entry* run_end = run + 1;
            while (run_end != end && by_fields(*run, *run_end) == 0) {
                ++run_end;
            }
            sort_by_long_names(run, run_end, names_);
            run = run_end;
        }
    });
}

void CompactEntries::restore(std::size_t index, EntryRecord& record) const
{
    const Entry& entry = entries_[index];
    fetch_name_ahead(&entry, entries_ + count_, names_);
    record.short_name = entry.short_name;
    record.short_ext = entry.short_ext;
    copy_with_terminator(record.long_name, names_ + entry.name_at);
    record.kind = is_directory(entry) ? KIND_DIR : KIND_FILE;
    record.attributes = entry.attributes;
    record.size = size_of(entry);
    record.dos_date = entry.dos_date;
    record.dos_time = entry.dos_time;
}

void CompactEntries::clear()
{
    count_ = 0;
    names_used_ = 0;
}
