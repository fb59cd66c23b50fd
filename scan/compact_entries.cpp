// Entries held compactly: 28 bytes each beside the long name, about a tenth
// of a whole record, so that a directory of a million entries is sorted in
// a few tens of MiB.
#include "scan/compact_entries.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "fs/fs_services.h"
#include "scan/sort_orders.h"
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
constexpr std::size_t FIRST_NAME_ROOM = 1024 * 1024;
constexpr std::uint64_t LOW_HALF = 0xFFFF'FFFF;

using Entry = CompactEntries::Entry;

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
        const char* names = names_;
        std::sort(entries_, entries_ + count_, [names](const Entry& a, const Entry& b) {
            const int order = compare_fields<Key>(fields_of(a), fields_of(b));
            return order != 0 ? order < 0
                              : compare_long_names(names + a.name_at, names + b.name_at) < 0;
        });
    });
}

void CompactEntries::restore(std::size_t index, EntryRecord& record) const
{
    const Entry& entry = entries_[index];
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
