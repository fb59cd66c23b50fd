// Capture of one search result into a fixed-width entry record.
#include "scan/capture.h"

#include <algorithm>
#include <cstring>

#include "core/run_state.h"

namespace {

// Copies at most field.size() characters of text, NUL-filling the rest.
template <std::size_t N>
void fill_field(std::array<char, N>& field, const char* text, std::size_t length)
{
    field.fill('\0');
    std::memcpy(field.data(), text, std::min(length, N));
}

// The 8.3 fields: up to 8 characters before the first '.', up to 3 after it.
void capture_short_name(EntryRecord& record, const FindResult& result)
{
    const auto& alias = result.cAlternateFileName;
    const char* source = alias[0] != '\0' ? alias.data() : result.cFileName.data();
    const std::size_t room = alias[0] != '\0' ? alias.size() : result.cFileName.size();
    const std::size_t length = bounded_text(source, room).size();

    fill_field(record.short_name, source, length);
    const char* dot = static_cast<const char*>(std::memchr(source, '.', length));
    if (dot == nullptr) {
        record.short_ext.fill('\0');
    } else {
        const auto position = static_cast<std::size_t>(dot - source);
        if (position < SHORT_NAME_WIDTH) {
            record.short_name[position] = '\0';
        }
        fill_field(record.short_ext, dot + 1, length - position - 1);
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
    const auto& name = result.cFileName;
    // Keeps a terminator even for a name that would fill the whole field.
    fill_field(record.long_name, name.data(), bounded_text(name.data(), LONG_NAME_ROOM - 1).size());

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
