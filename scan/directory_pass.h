// One directory's pass: search, filter, capture, buffer and sort, print, sum.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "cli/settings.h"
#include "fs/fs_services.h"
#include "scan/entry_record.h"

// Records a pass holds for sorting; one more triggers the flush to search order.
inline constexpr std::uint32_t BUFFER_CAPACITY = 50000;

// The one array of entry records, BUFFER_CAPACITY + 1 slots, allocated once
// by the driver and reused by every pass.
extern std::unique_ptr<EntryRecord[]> entry_buffer;
extern std::uint32_t buffer_capacity;

// The drive and directory of the running pass, ending in '\'.
extern PathText section_path;
// The same in full when it is too long for section_path (a deep directory);
// empty otherwise.
extern std::string long_section_path;
// The bytes of every pass of the run.
extern std::uint64_t grand_bytes;

// Lists the directory the mask names (its whole content when the mask has no
// name or extension), relative to the current drive and directory.
void list_directory(OutStream& out, const char* mask, SortKey sort_key);

// The directory of the running pass as the header names it, ending in '\'.
std::string_view section_directory();

// "read failed. DIRECTORY defective?" where the output stands, as the walk
// reports a directory it cannot enter: a directory that failed to read on.
void report_read_failure(OutStream& out, std::string_view directory);

// True for the "." and ".." entries of a directory.
bool is_dot_entry(const char* name);

// True when an entry with this attribute word passes the attribute filter.
bool attr_filter(std::uint32_t attributes);

// The first character of text equal to c without regard to case, or null.
const char* find_char_nocase(const char* text, char c);
