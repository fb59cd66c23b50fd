// One listed entry as a line of the report, in the adorned, true-name, plain
// or wide style, and the running column that tells when a line is owed its end.
#pragma once

#include <cstdint>

#include "core/entry_record.h"
#include "report/out_stream.h"

void emit_entry(OutStream& out, const EntryRecord& record);

// Writes the owed newline, if any, and zeroes out_column (core/run_state.h).
void end_line(OutStream& out);
