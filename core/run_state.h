// Everything the parts of a run share, in one place: the settings, the run
// state, the entry buffer, the totals and the section frame. Each line says
// who writes it; every other part only reads it. A run is one thread, and
// passes never overlap, so none of it needs guarding.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/entry_record.h"
#include "core/settings.h"
#include "fs/path_split.h"
#include "text/case_map.h"
#include "text/fixed_text.h"

// Written by the command line (cli/command_line.cpp) while it parses, then
// read-only.
extern ListSettings settings;
// The positional argument, "*" when there is none; the driver
// (cli/driver.cpp, through cli/path_text.cpp's take_drive_prefix) moves its
// start past a drive prefix and may give it a trailing '\'.
extern char* mask;

// The drive whose volume label the headers show: the current drive's letter,
// written by the driver (cli/driver.cpp) at start, and the mask's own when it
// has a drive prefix (cli/path_text.cpp, take_drive_prefix).
extern char drive_letter;
// The directory made current again at every exit (null when the host could
// not give it), written by the driver (cli/driver.cpp) at start.
extern std::unique_ptr<PathText> start_dir;

// Records a pass holds for sorting; one more triggers the flush to search order.
inline constexpr std::uint32_t BUFFER_CAPACITY = 50000;
// Allocated once by the driver, BUFFER_CAPACITY + 1 slots; filled by each
// pass (scan/directory_pass.cpp) from slot 0, sorted by scan/sort_orders.cpp.
extern std::unique_ptr<EntryRecord[]> entry_buffer;
extern std::uint32_t buffer_capacity;

// Written by the running pass and by capture (scan/); read by its summary.
extern ScanTotals scan_totals;
// Written by the pass before its search: the drive and directory of the
// pattern's full path, ending in '\'; long_section_path holds it in full when
// it does not fit a path buffer (a deep directory), and is empty otherwise.
extern PathText section_path;
extern std::string long_section_path;
// False when the host has no exact form of that path (a name its code page
// cannot hold, without an alias): the header shows it with '?', and true
// names do not build on it.
extern bool section_path_exact;
// Added to by every pass; printed by the driver at the end.
extern std::uint64_t grand_bytes;

// The section frame's state, written by report/section.cpp alone.
struct SectionState {
    std::int32_t want_break = 0;         // end the open line before the next header
    std::int32_t want_rule = 0;          // print the rule before the next header
    std::int32_t header_printed = 0;     // this section's header is out
    std::int16_t first_section_done = 0; // a section has been opened in this run
};
extern SectionState section_state;

// Non-zero while an output line is owed its newline: written by the entry
// lines, the summary and end_line (report/).
extern std::int32_t out_column;

// The running pass's directory as the header names it, ending in '\'; the
// text it views is NUL-terminated.
std::string_view section_directory();

// Every variable above back at its value when the program starts, so that
// one process can make more than one run.
void reset_run_state();
