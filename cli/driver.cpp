// The run from the argument vector to the exit code: start directory, drive
// prefix, entry buffer, the single or the recursive listing, the grand total.
#include "cli/driver.h"

#include <memory>
#include <new>
#include <string_view>

#include "cli/command_line.h"
#include "cli/path_text.h"
#include "core/run_state.h"
#include "fs/path_split.h"
#include "report/format_count.h"
#include "report/section.h"
#include "scan/directory_pass.h"
#include "scan/walk.h"

namespace {

void allocate_entry_buffer()
{
    buffer_capacity = BUFFER_CAPACITY;
    entry_buffer.reset(new (std::nothrow) EntryRecord[buffer_capacity + 1]);
    if (entry_buffer == nullptr) {
        memory_exit();
    }
}

// Enters the mask's directory and walks the tree below it with the mask's
// name and extension as the pattern.
void list_tree(OutStream& out)
{
    if (names_directory(mask) != 0) {
        mask = add_backslash(mask);
    }
    PathText directory{};
    PathText pattern{};
    if (strip_backslash(mask) != 0) {
        copy_terminated(directory, mask);
        merge_path(pattern, nullptr, nullptr, "*", ".*");
    } else {
        // Taken uncut from the mask: a cut directory could name another place.
        // Read as split_path reads it, so that "sub\.." is a directory to
        // enter, not a pattern to match.
        const PatternParts parts = split_pattern(mask, NameStart::PATH_PARTS);
        copy_terminated(directory, parts.directory);
        copy_terminated(pattern, parts.name);
        strip_backslash(directory.data());
    }
    if (change_dir(directory.data()) != 0) {
        out.print_name("chdir (%s) failed.", directory.data());
        out.write("\n");
        fail_exit(EXIT_CHDIR);
    }
    walk_tree(out, pattern.data(), settings.sort_key);
}

void list_single(OutStream& out)
{
    if (names_directory(mask) != 0) {
        mask = add_backslash(mask);
    }
    section_event(SEC_RESET);
    section_event(SEC_WANT_BREAK);
    list_directory(out, mask, settings.sort_key);
}

} // namespace

void run(int argc, char** argv)
{
    start_dir = host::get_current_dir();
    drive_letter = static_cast<char>('a' + host::get_drive());
    parse_command_line(argc, argv);

    OutStream& out = OutStream::standard();
    if (take_drive_prefix(mask) != 0) {
        out.write("Couldn't change drives.");
        fail_exit(EXIT_USAGE);
    }
    allocate_entry_buffer();
    // A run that lists no directory need not have the host describe them.
    host::describe_directories(settings.show_dirs != 0);
    if (settings.recurse != 0) {
        list_tree(out);
    } else {
        list_single(out);
    }
    if (settings.total_only == 0) {
        out.put('\n');
    }
    out.print("total byte count: %s\n", format_count(grand_bytes, TOTAL_WIDTH));
    fail_exit(EXIT_NORMAL);
}
