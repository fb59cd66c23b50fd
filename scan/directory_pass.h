// One directory's pass: search, filter, capture, buffer and sort, print, sum.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/settings.h"
#include "fs/fs_services.h"
#include "report/out_stream.h"

// Lists the directory the mask names (its whole content when the mask has no
// name or extension), relative to the current drive and directory. False
// when the directory failed to read, which the pass has said.
bool list_directory(OutStream& out, const char* mask, SortKey sort_key);

// "read failed. DIRECTORY defective?" where the output stands, as the walk
// reports a directory it cannot enter: a directory that failed to read on.
void report_read_failure(OutStream& out, std::string_view directory);

// True when an entry with this attribute word passes the attribute filter.
bool attr_filter(std::uint32_t attributes);

// The first character of text equal to the whole character given (one byte,
// or the bytes of one character of the code page) without regard to the case
// of A-Z, or null.
const char* find_char_nocase(const char* text, std::string_view character);
const char* find_char_nocase(const char* text, char c);
