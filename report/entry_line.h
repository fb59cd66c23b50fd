// One listed entry as a line of the report, in the adorned, true-name, plain
// or wide style, and the running column that tells when a line is owed its end.
#pragma once

#include <cstdint>

#include "core/entry_record.h"
#include "report/out_stream.h"

void emit_entry(OutStream& out, const EntryRecord& record);

// Writes the owed newline, if any, and zeroes out_column (core/run_state.h).
void end_line(OutStream& out);

// The lengths of the texts attr_letters and format_time give.
inline constexpr std::size_t ATTR_LETTERS_LENGTH = 4;
inline constexpr std::size_t TIME_TEXT_LENGTH = 6;

// '*' for hidden, else '+' for read-only, else a blank.
char entry_mark(std::uint8_t attributes);
// Four characters: a, r, h, s or a blank each. Static buffer.
const char* attr_letters(std::uint8_t attributes);
// Six characters: " 3:04p", "15:04 ", or six blanks for a zero word. Static buffer.
const char* format_time(std::uint16_t dos_time);
