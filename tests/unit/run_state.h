// Shared by the unit tests: a fresh process-wide run state for each test, and
// records filled the way capture fills them.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

#include "cli/settings.h"
#include "report/entry_line.h"
#include "report/section.h"
#include "scan/directory_pass.h"
#include "scan/entry_record.h"

inline void set_section_path(std::string_view path)
{
    section_path.fill('\0');
    std::copy_n(path.data(), std::min(path.size(), PATH_ROOM - 1), section_path.data());
}

// Defaults for the settings, the section frame, the column and the totals.
inline void reset_run_state(std::string_view listed_directory = "C:\\")
{
    settings = ListSettings{};
    out_column = 0;
    section_state = SectionState{};
    scan_totals = ScanTotals{};
    set_section_path(listed_directory);
}

// NUL-padded, with no terminator when the text fills the field.
template <std::size_t N> void fill_field(std::array<char, N>& field, std::string_view text)
{
    field.fill('\0');
    std::copy_n(text.data(), std::min(N, text.size()), field.data());
}
