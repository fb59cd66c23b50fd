// Entry lines: one listed entry written in the adorned, true-name, plain or
// wide style, and the running column that tells when a line is owed its end.
#include "report/entry_line.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "core/run_state.h"
#include "fs/dos_words.h"
#include "fs/fs_services.h"
#include "text/case_map.h"
#include "text/fixed_text.h"
#include "report/column_texts.h"
#include "report/format_count.h"
#include "report/line_builder.h"

namespace {

// Columns of the adorned name part in dot style, so the date starts at 14.
constexpr std::size_t DOT_NAME_COLUMNS = 14;
// Wide output: every text takes whole cells; a line breaks past this column.
constexpr std::size_t WIDE_CELL = 16;
constexpr std::int32_t WIDE_LINE_LIMIT = 64;
constexpr std::string_view WIDE_GAP = "   ";
constexpr std::string_view BLANKS = "                "; // one cell of fill

// The 8.3 name as "name.ext": at most 8 + 1 + 3 characters and a NUL.
constexpr std::size_t SHORT_TEXT_ROOM = SHORT_NAME_WIDTH + 1 + SHORT_EXT_WIDTH + 1;

// The copy printed while no_ext is on; the caller's record stays as it was.
EntryRecord no_ext_copy;

std::string_view open_bracket(const EntryRecord& record)
{
    return record.kind == KIND_DIR ? "[" : "";
}

std::string_view close_bracket(const EntryRecord& record)
{
    return record.kind == KIND_DIR ? "]" : "";
}

// Adds count to out_column. It saturates: long prefixes over many non-wide
// lines could otherwise run past the 32-bit range, and only non-zero matters.
void advance_column(std::size_t count)
{
    constexpr std::int64_t most = std::numeric_limits<std::int32_t>::max();
    const std::int64_t added =
        count < static_cast<std::size_t>(most) ? static_cast<std::int64_t>(count) : most;
    out_column = static_cast<std::int32_t>(std::min(out_column + added, most));
}

void write_blanks(OutStream& out, std::size_t count)
{
    while (count > 0) {
        const std::size_t piece = count < BLANKS.size() ? count : BLANKS.size();
        out.write(BLANKS.substr(0, piece));
        count -= piece;
    }
}

// The adorned columns before the long name: 47 of them, room for the bytes
// by which the 8.3 fields may outnumber their columns, and the long name.
constexpr std::size_t ADORNED_COLUMNS = 47;
using AdornedLine =
    LineBuilder<ADORNED_COLUMNS + SHORT_NAME_WIDTH + SHORT_EXT_WIDTH + LONG_NAME_ROOM>;

// Mark and 8.3 name: "%c%-8.8s %-3.3s " or, in dot style, "%c%.8s.%.3s "
// blank-filled to 14 columns.
void put_short_name(AdornedLine& line, const EntryRecord& record)
{
    const std::string_view name = bounded_text(record.short_name.data(), SHORT_NAME_WIDTH);
    const std::string_view ext = bounded_text(record.short_ext.data(), SHORT_EXT_WIDTH);
    line.put(entry_mark(record.attributes));
    if (settings.dot_style != 0 && !ext.empty()) {
        line.put_shown(name);
        line.put('.');
        line.put_shown(ext);
        line.pad_to(DOT_NAME_COLUMNS);
        return;
    }
    line.put_left(name, SHORT_NAME_WIDTH);
    line.put(' ');
    line.put_left(ext, SHORT_EXT_WIDTH);
    line.put(' ');
}

// "%2u-%02u-%02u %s " with month, day, two-digit year and the time text.
void put_date_and_time(AdornedLine& line, const EntryRecord& record)
{
    const DosDate date = dos_date_of(record.dos_date);
    line.put_two_digits(date.month, ' ');
    line.put('-');
    line.put_two_digits(date.day, '0');
    line.put('-');
    line.put_two_digits(date.year % 100u, '0'); // 1980 shows as 80, 2000 as 00, 2080 as 80
    line.put(' ');
    line.put(format_time(record.dos_time));
    line.put(' ');
}

// The columns of an adorned line, from 0: where each field begins.
constexpr std::size_t NAME_AT = 1;
constexpr std::size_t EXT_AT = 10;
constexpr std::size_t DATE_AT = 14;
constexpr std::size_t TIME_AT = 23;
constexpr std::size_t SIZE_AT = 30;
constexpr std::size_t LETTERS_AT = 42;
constexpr std::string_view DIRECTORY_WORD = "(directory)";

// Eight bytes at a time: a byte's top bit, and the low seven of every byte.
constexpr std::uint64_t TOP_BITS = 0x8080'8080'8080'8080ULL;
constexpr std::uint64_t LOW_BITS = 0x7F7F'7F7F'7F7F'7F7FULL;

// A fixed field of one byte a column: its bytes, its NUL padding shown as
// blanks, all in one word. False when it holds a byte from 0x80 up, which
// the general line counts by its columns.
template <std::size_t Width> bool put_ascii_field(char* at, const std::array<char, Width>& field)
{
    static_assert(Width <= sizeof(std::uint64_t));
    std::uint64_t word = 0;
    std::memcpy(&word, field.data(), Width);
    if ((word & TOP_BITS) != 0) {
        return false;
    }
    // Adding 0x7F sets a byte's top bit unless the byte is NUL; no byte is
    // above 0x7F, so nothing carries into the next. 0x80 >> 2 is a blank.
    const std::uint64_t nul_tops = ~(word + LOW_BITS) & TOP_BITS;
    word |= nul_tops >> 2;
    std::memcpy(at, &word, Width);
    return true;
}

// The size right-aligned in its 11 columns, which hold blanks, with comma
// groups, as format_count gives it; false for a size that format_count
// would cut.
bool put_size(char* at, std::uint64_t size)
{
    constexpr std::uint64_t UNCUT_BELOW = 1'000'000'000; // "999,999,999" fills the column
    constexpr unsigned GROUP = 1000;
    if (size >= UNCUT_BELOW) {
        return false;
    }
    auto left = static_cast<std::uint32_t>(size);
    char* end = at + SIZE_COLUMN_WIDTH;
    while (left >= GROUP) {
        const unsigned group = left % GROUP;
        left /= GROUP;
        end -= 3;
        end[0] = static_cast<char>('0' + group / 100);
        put_two_digits(end + 1, static_cast<std::uint8_t>(group % 100), '0');
        *--end = ',';
    }
    if (left >= 100) {
        end -= 3;
        end[0] = static_cast<char>('0' + left / 100);
        put_two_digits(end + 1, static_cast<std::uint8_t>(left % 100), '0');
    } else {
        // One or two digits: a lead blank falls on a blank.
        put_two_digits(end - 2, static_cast<std::uint8_t>(left), ' ');
    }
    return true;
}

// The usual adorned line, in the fixed layout with 8.3 fields of one byte a
// column (every name in ASCII), written straight into its columns; false,
// and nothing written, for any other, which write_adorned lays out.
bool write_adorned_directly(OutStream& out, const EntryRecord& record)
{
    std::array<char, ADORNED_COLUMNS + LONG_NAME_ROOM> line;
    char* const text = line.data();
    std::memset(text, ' ', ADORNED_COLUMNS);
    text[0] = entry_mark(record.attributes);
    if (settings.dot_style != 0 || !put_ascii_field(text + NAME_AT, record.short_name) ||
        !put_ascii_field(text + EXT_AT, record.short_ext)) {
        return false;
    }
    // Four bits of month and five of day each fit a byte; the year shows its
    // last two digits (80 for 1980, 00 for 2000).
    const DosDate date = dos_date_of(record.dos_date);
    const auto year = static_cast<std::uint8_t>(date.year % 100u);
    put_two_digits(text + DATE_AT, static_cast<std::uint8_t>(date.month), ' ');
    text[DATE_AT + 2] = '-';
    put_two_digits(text + DATE_AT + 3, static_cast<std::uint8_t>(date.day), '0');
    text[DATE_AT + 5] = '-';
    put_two_digits(text + DATE_AT + 6, year, '0');
    put_time(text + TIME_AT, record.dos_time);
    if (record.kind == KIND_DIR) {
        std::memcpy(text + SIZE_AT, DIRECTORY_WORD.data(), DIRECTORY_WORD.size());
    } else if (!put_size(text + SIZE_AT, record.size)) {
        return false;
    }
    std::memcpy(text + LETTERS_AT, attr_letters(record.attributes), ATTR_LETTERS_LENGTH);
    const std::string_view name = bounded_text(record.long_name.data(), LONG_NAME_ROOM);
    std::memcpy(text + ADORNED_COLUMNS, name.data(), name.size());
    // The 8.3 fields come from the long name, so the columns go out as a name.
    out.write_name_line({text, ADORNED_COLUMNS + name.size()});
    return true;
}

void write_adorned(OutStream& out, const EntryRecord& record)
{
    if (write_adorned_directly(out, record)) {
        return;
    }
    AdornedLine line;
    put_short_name(line, record);
    put_date_and_time(line, record);
    if (record.kind == KIND_DIR) {
        line.put("(directory) ");
    } else {
        line.put_right(format_count(record.size, SIZE_COLUMN_WIDTH), SIZE_COLUMN_WIDTH);
        line.put(' ');
    }
    line.put(attr_letters(record.attributes));
    line.put(' ');
    line.put(bounded_text(record.long_name.data(), LONG_NAME_ROOM));
    // The 8.3 fields come from the long name, so the columns go out as a name.
    out.write_name_line(line.view());
}

// The 8.3 name as "name.ext" (the room holds the longest whole).
std::array<char, SHORT_TEXT_ROOM> short_text(const EntryRecord& record)
{
    std::array<char, SHORT_TEXT_ROOM> text{};
    const auto ext = bounded_text(record.short_ext.data(), SHORT_EXT_WIDTH);
    std::size_t length = append_within(text, 0, bounded_text(record.short_name.data(), SHORT_NAME_WIDTH));
    if (!ext.empty()) {
        length = append_within(text, length, ".");
    }
    append_within(text, length, ext);
    return text;
}

// The 8.3 name after the directory being listed (not the current one, which
// a recursive walk has moved), joined as text: nothing inside the name is
// resolved, so no name can make its line point at another place. A
// directory deeper than a path buffer is named by the long form the pass
// keeps, in full. The 8.3 name alone when the directory has no such form.
std::string true_path(const EntryRecord& record)
{
    const auto short_name = short_text(record);
    const std::string_view name = short_name.data();
    const std::string_view directory = section_directory();
    if (!section_path_exact || !names_its_place(directory)) {
        return std::string(name);
    }
    std::string path(directory);
    path += name;
    return path;
}

void write_true_name(OutStream& out, const EntryRecord& record)
{
    std::string path = true_path(record);
    lowercase_n(path.data(), path.size());
    std::string_view shown = path;
    if (settings.no_drive != 0 && has_drive_prefix(shown)) {
        shown.remove_prefix(DRIVE_PREFIX_LENGTH);
    }
    out.write(settings.line_prefix);
    out.write(open_bracket(record));
    out.write_name(shown);
    out.write(close_bracket(record));
    out.write(settings.line_trail);
    out.write_line_end();
}

// Writes the long name between prefix and trail; returns the columns they
// take on a terminal.
std::size_t write_plain_text(OutStream& out, const EntryRecord& record)
{
    const std::string_view prefix = settings.line_prefix;
    const std::string_view open = open_bracket(record);
    const std::string_view name = bounded_text(record.long_name.data(), LONG_NAME_ROOM);
    const std::string_view close = close_bracket(record);
    const std::string_view trail = settings.line_trail;
    out.write(prefix);
    out.write(open);
    out.write_name(name);
    out.write(close);
    out.write(trail);
    return display_columns(prefix) + open.size() + display_columns(name) + close.size() +
           display_columns(trail);
}

// A wide cell: the text, three blanks, then fill up to a whole number of
// cells; a line that runs past column 64 ends instead of being filled.
void finish_wide_cell(OutStream& out, std::size_t n)
{
    if (out_column > WIDE_LINE_LIMIT) {
        out.write_line_end();
        out_column = 0;
        return;
    }
    out.write(WIDE_GAP);
    advance_column(WIDE_GAP.size());
    const std::size_t fill = WIDE_CELL - (n + WIDE_GAP.size()) % WIDE_CELL;
    advance_column(fill);
    if (out_column > WIDE_LINE_LIMIT) {
        out.write_line_end();
        out_column = 0;
        return;
    }
    write_blanks(out, fill);
}

void write_plain(OutStream& out, const EntryRecord& record)
{
    const std::size_t n = write_plain_text(out, record);
    if (settings.wide == 0) {
        // out_column keeps a count, even for a name of no columns: the next
        // end_line adds a line.
        advance_column(std::max<std::size_t>(n, 1));
        out.write_line_end();
        return;
    }
    advance_column(n);
    finish_wide_cell(out, n);
}

} // namespace

void emit_entry(OutStream& out, const EntryRecord& record)
{
    const EntryRecord* shown = &record;
    if (settings.no_ext != 0) {
        no_ext_copy = record;
        no_ext_copy.short_ext.fill('\0'); // empty, and NUL-padded as every field
        shown = &no_ext_copy;
    }
    if (settings.only_dirs != 0 && shown->kind != KIND_DIR) {
        return;
    }
    if (settings.unadorned == 0) {
        write_adorned(out, *shown);
    } else if (settings.true_name != 0) {
        write_true_name(out, *shown);
    } else {
        write_plain(out, *shown);
    }
}

void end_line(OutStream& out)
{
    if (out_column != 0) {
        out.write_line_end();
    }
    out_column = 0;
}
