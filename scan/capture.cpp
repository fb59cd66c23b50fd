// Capture of one search result into a fixed-width entry record.
#include "scan/capture.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/run_state.h"

namespace {

// Copies the whole characters of text that fit the field, NUL-filling the
// rest: a name is never cut inside a character.
template <std::size_t N> void fill_field(std::array<char, N>& field, std::string_view text)
{
    field.fill('\0');
    std::memcpy(field.data(), text.data(), whole_chars_within(text, N));
}

// The 8.3 fields: what fits 8 bytes before the first '.', 3 after it.
void capture_short_name(EntryRecord& record, const FindResult& result)
{
    const auto& alias = result.cAlternateFileName;
    const std::string_view source = alias[0] != '\0'
                                        ? bounded_text(alias.data(), alias.size())
                                        : bounded_text(result.cFileName.data(), PATH_ROOM);
    const std::size_t dot = find_single_byte_char(source, '.');
    fill_field(record.short_name, source.substr(0, dot));
    if (dot == std::string_view::npos) {
        record.short_ext.fill('\0');
    } else {
        fill_field(record.short_ext, source.substr(dot + 1));
    }
    lowercase_n(record.short_name.data(), SHORT_NAME_WIDTH);
    lowercase_n(record.short_ext.data(), SHORT_EXT_WIDTH);
}

// The shown time stamp as local DOS words. Out-of-range stamps leave the
// edge of the DOS range in the words, which is what the record keeps.
void capture_time(EntryRecord& record, FileTime stamp)
{
    host::FileTimeToLocalFileTime(stamp, stamp);
    host::FileTimeToDosDateTime(stamp, record.dos_date, record.dos_time);
}

} // namespace

void capture_entry(EntryRecord& record, const FindResult& result)
{
    capture_short_name(record, result);
    record.attributes = static_cast<std::uint8_t>(result.dwFileAttributes & 0xFF);
    // Keeps a terminator even for a name that would fill the whole field;
    // nothing reads past it.
    copy_with_terminator(record.long_name, bounded_text(result.cFileName.data(), PATH_ROOM));

    if ((result.dwFileAttributes & ATTR_DIRECTORY) != 0) {
        record.kind = KIND_DIR;
        record.size = 0;
        capture_time(record,
                     settings.dir_time_alt != 0 ? result.ftCreationTime : result.ftLastWriteTime);
        ++scan_totals.directories;
    } else {
        capture_time(record, result.ftLastWriteTime);
        record.size = (std::uint64_t{result.nFileSizeHigh} << 32) | result.nFileSizeLow;
        record.kind = KIND_FILE;
        scan_totals.bytes = add_bytes(scan_totals.bytes, record.size);
    }
}
