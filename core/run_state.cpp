// The process-wide state of a run, defined once with its starting values.
#include "core/run_state.h"

namespace {
// The mask of a command line without a positional argument.
char default_mask[] = "*";
} // namespace

ListSettings settings;
char* mask = default_mask;
char drive_letter = 'c';
std::unique_ptr<PathText> start_dir;
std::unique_ptr<EntryRecord[]> entry_buffer;
std::uint32_t buffer_capacity = BUFFER_CAPACITY;
ScanTotals scan_totals;
PathText section_path{};
std::string long_section_path;
bool section_path_exact = true;
std::uint64_t grand_bytes = 0;
SectionState section_state;
std::int32_t out_column = 0;

std::string_view section_directory()
{
    if (!long_section_path.empty()) {
        return long_section_path;
    }
    return bounded_text(section_path.data(), section_path.size());
}

void reset_run_state()
{
    settings = ListSettings{};
    mask = default_mask;
    drive_letter = 'c';
    start_dir.reset();
    entry_buffer.reset();
    buffer_capacity = BUFFER_CAPACITY;
    scan_totals = ScanTotals{};
    section_path.fill('\0');
    long_section_path.clear();
    section_path_exact = true;
    grand_bytes = 0;
    section_state = SectionState{};
    out_column = 0;
}
