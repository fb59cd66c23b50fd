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

// The 8.3 fields of a source in ASCII, which every code page reads a byte
// a character: copied and lower-cased in one pass. False, with the fields
// partly written, at the first byte from 0x80 up before they are complete.
bool capture_ascii_short_name(EntryRecord& record, std::string_view source)
{
    // Assigned rather than filled: one store each, no call.
    record.short_name = {};
    record.short_ext = {};
    std::size_t at = 0;
    for (; at < source.size() && source[at] != '.'; ++at) {
        if (static_cast<unsigned char>(source[at]) >= 0x80) {
            return false;
        }
        if (at < SHORT_NAME_WIDTH) {
            record.short_name[at] = to_lower_case(source[at]);
        }
    }
    const std::string_view ext = at < source.size() ? source.substr(at + 1) : std::string_view{};
    for (std::size_t i = 0; i < std::min(ext.size(), SHORT_EXT_WIDTH); ++i) {
        if (static_cast<unsigned char>(ext[i]) >= 0x80) {
            return false;
        }
        record.short_ext[i] = to_lower_case(ext[i]);
    }
    return true;
}

// The 8.3 fields: what fits 8 bytes before the first '.', 3 after it.
void capture_short_name(EntryRecord& record, const FindResult& result, std::string_view name)
{
    const auto& alias = result.cAlternateFileName;
    const std::string_view source =
        alias[0] != '\0' ? bounded_text(alias.data(), alias.size()) : name;
    if (capture_ascii_short_name(record, source)) {
        return;
    }
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
    const std::string_view name = bounded_text(result.cFileName.data(), PATH_ROOM);
    capture_short_name(record, result, name);
    record.attributes = static_cast<std::uint8_t>(result.dwFileAttributes & 0xFF);
    // Keeps a terminator even for a name that would fill the whole field;
    // nothing reads past it.
    copy_with_terminator(record.long_name, name);

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
