// One directory's pass: the search pattern and section path of a mask, the
// filters, capture, the sorted or unsorted listing, the summary and the sums.
#include "scan/directory_pass.h"

#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "core/run_state.h"
#include "fs/fs_services.h"
#include "fs/path_split.h"
#include "report/entry_line.h"
#include "report/section.h"
#include "scan/capture.h"
#include "scan/compact_entries.h"
#include "scan/sort_orders.h"

namespace {

// The pattern the search runs on: the mask itself when it names a file,
// else its drive and directory followed by "*.*". False when that does not
// fit a path buffer: the host could not search it, so nothing is listed.
bool build_pattern(const char* mask_text, PathText& pattern)
{
    if (!fits_room(mask_text, PATH_ROOM)) {
        return false;
    }
    DriveText drive{};
    const unsigned parts = split_path(mask_text, &drive, nullptr, nullptr, nullptr);
    if ((parts & (SPLIT_FILENAME | SPLIT_EXTENSION)) != 0) {
        copy_terminated(pattern, std::string_view{mask_text});
        return true;
    }
    // The directory is taken uncut from the mask, so that a long directory
    // can never turn into a shorter one that names another place.
    const char* directory = mask_text + std::strlen(drive.data());
    return merge_path(pattern, drive.data(), directory, "*", ".*") < PATH_ROOM;
}

// The length of a path's drive and directory: up to its last separator, or
// past its drive prefix, at any length. The directory of a full path always
// ends in '\', even where its last name is made of dots ("..f*", "..."): no
// "." or ".." is left in a full path, so its last component is a name.
std::size_t directory_length(std::string_view path)
{
    return split_pattern(path, NameStart::LAST_COMPONENT).directory.size();
}

// The drive and directory of the pattern's full path, ending in '\'. Where
// that does not fit section_path, the header names it from long_section_path;
// where the host has no exact form of it, from the form it shows.
void set_section_path(const char* pattern)
{
    copy_full_path(section_path, pattern);
    // The text itself comes back when the host gives no full form that fits.
    const bool no_full_form = std::strncmp(section_path.data(), pattern, PATH_ROOM) == 0;
    section_path[directory_length(section_path.data())] = '\0';
    long_section_path.clear();
    section_path_exact = true;
    if (!no_full_form) {
        return;
    }
    auto full = host::full_path_long(pattern);
    if (!full) {
        full = host::full_path_shown(pattern);
        section_path_exact = !full;
    }
    if (full) {
        full->resize(directory_length(*full));
        long_section_path = std::move(*full);
    }
}

bool has_excluded_char(const char* name)
{
    if (settings.exclude_chars == nullptr) {
        return false;
    }
    const std::string_view excluded = settings.exclude_chars;
    for (std::size_t at = 0; at < excluded.size();) {
        const std::size_t length = char_length(excluded, at);
        if (find_char_nocase(name, excluded.substr(at, length)) != nullptr) {
            return true;
        }
        at += length;
    }
    return false;
}

bool passes_filters(const FindResult& result)
{
    const std::uint32_t attributes = result.dwFileAttributes;
    const bool is_dir = (attributes & ATTR_DIRECTORY) != 0;
    if (settings.only_dirs != 0 && !is_dir) {
        return false;
    }
    if (!attr_filter(attributes)) {
        return false;
    }
    if (is_dir && settings.show_dirs == 0) {
        return false;
    }
    // Only a name that starts with '.' is measured for the dot entries.
    const bool dot = result.cFileName[0] == '.' && is_dot_entry(result.cFileName.data());
    return !dot && !has_excluded_char(result.cFileName.data());
}

struct SearchCloser {
    void operator()(host::SearchHandle search) const { host::FindClose(search); }
};

struct PassState {
    bool sorted;
    std::uint32_t buffered = 0;
    // Past the entry buffer: every entry of the pass is held compactly.
    bool compact = false;
};

// What goes past the entry buffer, kept from pass to pass with its memory.
CompactEntries& held_compactly()
{
    static CompactEntries held;
    return held;
}

void emit_buffered(OutStream& out, std::uint32_t count)
{
    for (std::uint32_t slot = 0; slot < count; ++slot) {
        emit_entry(out, entry_buffer[slot]);
    }
}

void emit_compact(OutStream& out)
{
    EntryRecord scratch;
    const CompactEntries& held = held_compactly();
    for (std::size_t index = 0; index < held.size(); ++index) {
        held.restore(index, scratch);
        emit_entry(out, scratch);
    }
}

// The record in the slot past the buffer's capacity joins the others held
// compactly, the buffer's own with it the first time. False when memory
// cannot hold them: what is held is then as it was.
bool hold_compactly(PassState& pass)
{
    CompactEntries& held = held_compactly();
    if (!pass.compact) {
        held.clear();
        for (std::uint32_t slot = 0; slot < pass.buffered; ++slot) {
            if (!held.add(entry_buffer[slot])) {
                return false;
            }
        }
        pass.compact = true;
    }
    return held.add(entry_buffer[buffer_capacity]);
}

// Memory cannot hold the pass: what is held goes out in search order, and so
// does the rest of the directory.
void list_held_unsorted(OutStream& out, PassState& pass)
{
    if (pass.compact) {
        emit_compact(out);
    } else {
        emit_buffered(out, pass.buffered);
    }
    emit_entry(out, entry_buffer[buffer_capacity]);
    held_compactly().clear();
    pass.sorted = false;
}

void list_entry(OutStream& out, PassState& pass, const FindResult& result)
{
    const bool printing = settings.total_only == 0;
    if (printing) {
        section_event(SEC_OPEN, &out);
    }
    ++scan_totals.entries;
    if (!pass.sorted) {
        EntryRecord scratch;
        capture_entry(scratch, result);
        if (printing) {
            emit_entry(out, scratch);
        }
        return;
    }
    if (!pass.compact && pass.buffered < buffer_capacity) {
        capture_entry(entry_buffer[pass.buffered++], result);
        return;
    }
    // One more than the buffer holds: held compactly from now on.
    capture_entry(entry_buffer[buffer_capacity], result);
    if (!hold_compactly(pass)) {
        list_held_unsorted(out, pass);
    }
}

// The held entries in the order of the key.
void list_sorted(OutStream& out, const PassState& pass, SortKey sort_key)
{
    if (!pass.compact) {
        for (const std::uint32_t slot : sorted_slots(sort_key, pass.buffered)) {
            emit_entry(out, entry_buffer[slot]);
        }
        return;
    }
    held_compactly().sort(sort_key);
    emit_compact(out);
    held_compactly().clear();
}

} // namespace

bool attr_filter(std::uint32_t attributes)
{
    if (settings.attr_mask == 0) {
        return true;
    }
    switch (settings.attr_match) {
    case ATTR_ANY: return (attributes & settings.attr_mask) != 0;
    case ATTR_ALL: return (attributes & settings.attr_mask) == settings.attr_mask;
    default: return true;
    }
}

const char* find_char_nocase(const char* text, std::string_view character)
{
    const std::string_view name = text;
    const bool one_byte = character.size() == 1;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = char_length(name, at);
        if (one_byte ? length == 1 && to_lower_case(name[at]) == to_lower_case(character[0])
                     : name.substr(at, length) == character) {
            return text + at;
        }
        at += length;
    }
    return nullptr;
}

const char* find_char_nocase(const char* text, char c)
{
    return find_char_nocase(text, std::string_view(&c, 1));
}

bool list_directory(OutStream& out, const char* mask_text, SortKey sort_key)
{
    scan_totals = ScanTotals{};
    // Under /total nothing is printed, so nothing is held to be sorted.
    PassState pass{sort_key != SORT_NONE && settings.total_only == 0};

    PathText pattern{};
    const bool searchable = build_pattern(mask_text, pattern);
    set_section_path(searchable ? pattern.data() : mask_text);

    FindResult result;
    // Closed however the pass ends: a failed write ends it mid-search.
    const std::unique_ptr<host::Search, SearchCloser> search(
        searchable ? host::FindFirstFileA(pattern.data(), result) : host::INVALID_SEARCH);
    if (search != nullptr) {
        do {
            if (passes_filters(result)) {
                list_entry(out, pass, result);
            }
        } while (host::FindNextFileA(search.get(), result));
    }
    const bool read_failed = searchable && host::read_failed();

    if (settings.total_only == 0) {
        if (pass.sorted) {
            list_sorted(out, pass, sort_key);
        }
        print_summary(out);
    }
    grand_bytes = add_bytes(grand_bytes, scan_totals.bytes);
    if (read_failed) {
        // What was read is listed and counted; the rest of the directory is
        // not, and that is said rather than passed off as its end.
        report_read_failure(out, section_directory());
    }
    return !read_failed;
}

void report_read_failure(OutStream& out, std::string_view directory)
{
    out.write("read failed. ");
    out.write_name(directory);
    out.write(" defective?\n");
}
