// The frame of each directory's section: the state that decides when the
// line break, dashed rule and "directory of" header are printed, the summary
// line, and the volume label the header shows.
#include "report/section.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <limits>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/run_state.h"
#include "fs/fs_services.h"
#include "report/entry_line.h"
#include "report/format_count.h"

namespace {

constexpr std::size_t RULE_WIDTH = 56;
// Labels may be longer than the 14 characters of the classic 8.3 label; the
// buffer holds any label the host search delivers (up to 255) and shows it whole.
constexpr std::size_t LABEL_ROOM = BLOCK_NAME_ROOM;
// "(" + label + ") " and the NUL.
constexpr std::size_t HEADER_LABEL_ROOM = LABEL_ROOM + 3;
// A first '.' after exactly this many characters is dropped from a label.
constexpr std::size_t LABEL_DOT_INDEX = 8;

constexpr auto RULE = [] {
    std::array<char, RULE_WIDTH> dashes{};
    dashes.fill('-');
    return dashes;
}();

void write_rule(OutStream& out)
{
    out.write({RULE.data(), RULE.size()});
    out.write("\n");
}

void write_header(OutStream& out)
{
    out.write("directory of ");
    out.write_name(header_label());
    out.write_name(section_directory());
    out.write("\n");
}

void open_section(OutStream& out)
{
    SectionState& state = section_state;
    if (state.header_printed != 0) {
        return;
    }
    state.header_printed = 1;
    if (state.want_break != 0) {
        end_line(out);
    }
    if (state.first_section_done != 0 && state.want_rule != 0 && settings.bare == 0) {
        write_rule(out);
    }
    state.first_section_done = 1;
    if (settings.bare == 0) {
        write_header(out);
    }
    state.want_rule = 0;
    state.want_break = 0;
}

// A count as plain decimal digits ("%u"), without a formatted print.
void write_decimal(OutStream& out, std::uint32_t count)
{
    std::array<char, std::numeric_limits<std::uint32_t>::digits10 + 1> digits;
    const char* end = std::to_chars(digits.data(), digits.data() + digits.size(), count).ptr;
    out.write({digits.data(), static_cast<std::size_t>(end - digits.data())});
}

void write_totals(OutStream& out)
{
    const std::uint32_t files = scan_totals.entries - scan_totals.directories;
    write_decimal(out, files);
    out.write(" files, ");
    if (settings.show_dirs != 0) {
        write_decimal(out, scan_totals.directories);
        out.write(" directories, ");
    }
    out.write(format_count(scan_totals.bytes, SUMMARY_WIDTH));
    out.write(" bytes");
}

// Left out when the host cannot say, rather than showing a count that is not
// the free space.
void write_free_space(OutStream& out)
{
    // The directory in full, however long; its text ends in a NUL either way.
    const auto free_bytes = host::disk_free_bytes(section_directory().data());
    if (!free_bytes) {
        return;
    }
    out.write(", ");
    out.write(format_count(*free_bytes, SUMMARY_WIDTH));
    out.write(" bytes free  ");
}

} // namespace

void section_event(SectionEvent event, OutStream* out)
{
    SectionState& state = section_state;
    switch (event) {
    case SEC_WANT_BREAK: state.want_break = 1; break;
    case SEC_WANT_RULE: state.want_rule = 1; break;
    case SEC_RESET:
        state.want_break = 0;
        state.want_rule = 0;
        state.header_printed = 0;
        break;
    case SEC_OPEN:
        if (out != nullptr) {
            open_section(*out);
        }
        break;
    }
}

void print_summary(OutStream& out)
{
    if (settings.bare != 0 && settings.summary_anyway == 0) {
        return;
    }
    if (settings.header_when_empty != 0) {
        section_event(SEC_OPEN, &out);
    }
    if (section_state.header_printed == 0) {
        return;
    }
    if (settings.wide != 0) {
        end_line(out);
    } else if (settings.unadorned != 0 && settings.summary_anyway == 0) {
        return;
    }
    write_totals(out);
    if (settings.show_free != 0) {
        write_free_space(out);
    }
    out_column = 1; // the line stays open for the next section's break
}

const char* volume_label()
{
    static std::array<char, LABEL_ROOM> label{};
    static std::array<char, 6> pattern = {'c', ':', '*', '.', '*', '\0'};
    label[0] = '\0';
    pattern[0] = drive_letter;
    FindBlock block;
    if (find_first(pattern.data(), block, ATTR_VOLUME_LABEL) == 0) {
        copy_terminated(label, bounded_text(block.name.data(), block.name.size()));
    }
    find_close(block);
    drop_label_dot(label.data());
    return label.data();
}

const char* header_label()
{
    return header_label_for(volume_label());
}

const char* header_label_for(const char* volume)
{
    static std::array<char, HEADER_LABEL_ROOM> text{};
    const auto label = bounded_text(volume, LABEL_ROOM - 1);
    text[0] = '\0';
    if (label.empty()) {
        return text.data();
    }
    text[0] = '(';
    std::memcpy(text.data() + 1, label.data(), label.size());
    std::memcpy(text.data() + 1 + label.size(), ") ", 3); // NUL included
    lowercase_n(text.data(), text.size());
    return text.data();
}

void drop_label_dot(char* label)
{
    char* dot = std::strchr(label, '.');
    if (dot == nullptr || dot - label != static_cast<std::ptrdiff_t>(LABEL_DOT_INDEX)) {
        return;
    }
    std::memmove(dot, dot + 1, std::strlen(dot + 1) + 1);
}
