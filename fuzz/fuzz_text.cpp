// libFuzzer target over the text operations that take outside input: path
// splitting and merging, name matching, full paths, byte counts, and entry
// lines from arbitrary records under arbitrary settings. Build with clang:
//   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DWENDEX_FUZZ=ON
//   cmake --build build-fuzz --target wendex_fuzz && build-fuzz/wendex_fuzz -max_total_time=60
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/run_state.h"
#include "fs/path_split.h"
#include "fs/posix/posix_host.h"
#include "report/entry_line.h"
#include "report/format_count.h"
#include "core/entry_record.h"

namespace {

void fuzz_paths(const std::string& text)
{
    DriveText drive{};
    PartText directory{}, name{}, extension{};
    const unsigned flags = split_path(text.c_str(), &drive, &directory, &name, &extension);
    if (flags != split_path(text.c_str(), nullptr, nullptr, nullptr, nullptr)) {
        __builtin_trap();
    }
    const PathLayout layout = locate_path_parts(text);
    if (layout.drive_end > layout.name_start || layout.name_start > layout.ext_start ||
        layout.ext_start > layout.end || layout.end > SPLIT_READ_LIMIT) {
        __builtin_trap();
    }
    for (const NameStart reading : {NameStart::LAST_COMPONENT, NameStart::PATH_PARTS}) {
        const PatternParts parts = split_pattern(text, reading);
        if (parts.directory.size() + parts.name.size() != text.size()) {
            __builtin_trap();
        }
    }
    PathText joined{};
    merge_path(joined, drive.data(), directory.data(), name.data(), extension.data());
    const std::string_view half(text.data(), text.size() / 2);
    name_matches(half, text.substr(text.size() / 2));
    full_path_text(text, "/home/ann/work");
}

void fuzz_entry_line(const std::uint8_t* data, std::size_t size)
{
    EntryRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, data, std::min(size, sizeof record));
    record.long_name.back() = '\0';  // capture always terminates the long name
    const std::uint32_t bits = size > 4 ? data[size - 1] | (data[size - 2] << 8) : 0;
    settings = ListSettings{};
    settings.unadorned = bits & 1;
    settings.true_name = (bits >> 1) & 1;
    settings.wide = (bits >> 2) & 1;
    settings.dot_style = (bits >> 3) & 1;
    settings.no_ext = (bits >> 4) & 1;
    settings.no_drive = (bits >> 5) & 1;
    settings.time_24h = (bits >> 6) & 1;
    settings.only_dirs = (bits >> 7) & 1;
    OutStream out;
    out_column = static_cast<std::int32_t>(bits >> 8);
    emit_entry(out, record);
    end_line(out);
    format_count(record.size, 2 + (bits % 40));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_paths(std::string(reinterpret_cast<const char*>(data), size).c_str());
    fuzz_entry_line(data, size);
    return 0;
}
