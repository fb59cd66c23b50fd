// The orders of a sorted listing: directories first, then by name, extension,
// size or date, and records that still tie by long name (A-Z folded, then as
// stored). Comparisons return <0 when a goes first, >0 when b does.
#pragma once

#include <cstdint>

#include "core/entry_record.h"
#include "core/settings.h"

int dirs_first(const EntryRecord& a, const EntryRecord& b);
int compare_name(const EntryRecord& a, const EntryRecord& b);
int compare_ext(const EntryRecord& a, const EntryRecord& b);
int compare_size(const EntryRecord& a, const EntryRecord& b);
int compare_date(const EntryRecord& a, const EntryRecord& b);

// Sorts records [0, n) of entry_buffer in place by the key; SORT_NONE and any
// unknown key leave them as they are.
void sort_entries(SortKey sort_key, std::uint32_t n);
