// Shared by the unit tests: a fresh process-wide run state for each test, and
// records filled the way capture fills them.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "core/run_state.h"

inline void set_section_path(std::string_view path)
{
    copy_terminated(section_path, path);
}

// Every shared variable at its start value, listing the given directory.
inline void fresh_run_state(std::string_view listed_directory = "C:\\")
{
    reset_run_state();
    set_section_path(listed_directory);
}

// NUL-padded, with no terminator when the text fills the field.
template <std::size_t N> void fill_field(std::array<char, N>& field, std::string_view text)
{
    field.fill('\0');
    std::copy_n(text.data(), std::min(N, text.size()), field.data());
}

// The fields of a record that a test names; the others stay zero.
struct RecordFields {
    std::string_view name;
    std::string_view ext = "";
    std::string_view long_name = "";
    std::uint8_t kind = KIND_FILE;
    std::uint8_t attributes = 0;
    std::uint64_t size = 0;
    std::uint16_t time = 0;
    std::uint16_t date = 0;
};

inline EntryRecord make_record(const RecordFields& fields)
{
    EntryRecord record{};
    fill_field(record.short_name, fields.name);
    fill_field(record.short_ext, fields.ext);
    fill_field(record.long_name, fields.long_name);
    record.kind = fields.kind;
    // A directory's attribute word says so too, as the host's does.
    record.attributes = fields.attributes | ((fields.kind & KIND_DIR) != 0 ? ATTR_DIRECTORY : 0);
    record.size = fields.size;
    record.dos_time = fields.time;
    record.dos_date = fields.date;
    return record;
}
