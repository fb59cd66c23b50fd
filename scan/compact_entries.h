// The entries of a pass held past the entry buffer, so that a directory of
// any size is sorted: fixed fields small, long names one after another in
// an arena, sorted in place by packed fields. Memory comes from malloc and
// never through operator new, whose handler ends the run: where memory runs
// short, add() says so, and the pass lists what it holds in search order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/entry_record.h"
#include "core/settings.h"

class CompactEntries {
public:
    CompactEntries() = default;
    CompactEntries(const CompactEntries&) = delete;
    CompactEntries& operator=(const CompactEntries&) = delete;
    ~CompactEntries();

    // Holds the record after those held; false when memory cannot hold it.
    bool add(const EntryRecord& record);
    std::size_t size() const { return count_; }
    // Puts the entries held in the order of the key.
    void sort(SortKey sort_key);
    // The entry at index as a whole record.
    void restore(std::size_t index, EntryRecord& record) const;
    // Holds nothing again; the memory is kept for the next pass.
    void clear();

    struct Entry; // the compact form

private:
    bool reserve_entries();
    bool reserve_names(std::size_t bytes);

    Entry* entries_ = nullptr;
    std::size_t count_ = 0;
    std::size_t entry_room_ = 0;
    char* names_ = nullptr;
    std::size_t names_used_ = 0;
    std::size_t name_room_ = 0;
};
