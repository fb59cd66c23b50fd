// The run from the argument vector to the exit code: start directory, drive
// prefix, entry buffer, the single or the recursive listing, the grand total.
#include "cli/driver.h"

#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/settings.h"
#include "fs/host_text.h"
#include "fs/path_split.h"
#include "report/format_count.h"
#include "report/section.h"
#include "scan/directory_pass.h"
#include "scan/walk.h"

namespace {

constexpr char BACKSLASH = '\\';

// Texts made by add_backslash; they live until the run ends.
std::vector<std::unique_ptr<char[]>> made_texts;

// Copies text into a path buffer, cut to fit and terminated.
void copy_bounded(PathText& destination, std::string_view text)
{
    const std::size_t length = std::min(text.size(), destination.size() - 1);
    std::memcpy(destination.data(), text.data(), length);
    destination[length] = '\0';
}

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
        copy_bounded(directory, mask);
        merge_path(pattern, nullptr, nullptr, "*", ".*");
    } else {
        // Taken uncut from the mask: a cut directory could name another place.
        const std::string_view text{mask};
        const PathLayout layout = locate_path_parts(text);
        copy_bounded(directory, text.substr(0, layout.name_start));
        copy_bounded(pattern, text.substr(layout.name_start));
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
    start_dir = get_current_dir();
    drive_letter = static_cast<char>('a' + get_drive());
    parse_command_line(argc, argv);

    OutStream& out = OutStream::standard();
    if (take_drive_prefix(mask) != 0) {
        out.write("Couldn't change drives.");
        fail_exit(EXIT_USAGE);
    }
    allocate_entry_buffer();
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

int change_dir(const char* path, PathLookup lookup)
{
    if (path == nullptr || path[0] == '\0') {
        return 0;
    }
    if (path[1] != ':') {
        return set_current_dir(path, lookup);
    }
    const int drive = to_upper_case(path[0]) - 'A';
    set_drive(drive);
    if (get_drive() != drive) {
        return -1;
    }
    return path[2] == '\0' ? 0 : set_current_dir(path, lookup);
}

int take_drive_prefix(char*& mask_text)
{
    if (mask_text[0] == '\0' || mask_text[1] != ':') {
        return 0;
    }
    drive_letter = mask_text[0];
    const std::array<char, 3> drive{mask_text[0], ':', '\0'};
    const int result = change_dir(drive.data());
    mask_text += 2;
    return result;
}

int names_directory(const char* path)
{
    FindBlock block;
    if (find_first(path, block, 0) == 0) {
        find_close(block);
        return 0; // names or matches an ordinary file
    }
    if ((split_path(path, nullptr, nullptr, nullptr, nullptr) & SPLIT_WILDCARDS) != 0) {
        find_close(block);
        return 0;
    }
    find_close(block);
    if (find_first(path, block, ATTR_DIRECTORY) != 0) {
        return 0;
    }
    find_close(block);
    return 1;
}

char* add_backslash(char* path)
{
    if (path[0] == '\0' || path[last_char(path)] == BACKSLASH) {
        return path;
    }
    PathText joined{};
    copy_bounded(joined, path);
    const std::size_t length = append_bounded(joined.data(), "\\", joined.size());
    auto copy = std::make_unique<char[]>(length + 1);
    std::memcpy(copy.get(), joined.data(), length + 1);
    made_texts.push_back(std::move(copy));
    return made_texts.back().get();
}

std::size_t append_bounded(char* destination, const char* source, std::size_t size)
{
    std::size_t length = std::strlen(destination);
    if (length >= size) {
        return length; // already past the room: nothing to add
    }
    for (; *source != '\0' && length + 1 < size; ++source, ++length) {
        destination[length] = *source;
    }
    destination[length] = '\0';
    return length;
}

std::size_t last_char(const char* text)
{
    const std::size_t length = std::strlen(text);
    return length == 0 ? 0 : length - 1;
}

int strip_backslash(char* path)
{
    const std::size_t last = last_char(path);
    if (path[last] != BACKSLASH) {
        return 0;
    }
    const bool is_root =
        std::strcmp(path, "\\") == 0 || (path[0] != '\0' && std::strcmp(path + 1, ":\\") == 0);
    if (!is_root) {
        path[last] = '\0';
    }
    return 1;
}
