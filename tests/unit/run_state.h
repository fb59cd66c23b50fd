// Shared by the unit tests: a fresh process-wide run state for each test, and
// records filled the way capture fills them.
#pragma once

#include <algorithm>
#include <array>
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
