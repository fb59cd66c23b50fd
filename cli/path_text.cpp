// The path texts of the run: drive and directory changes, the mask's drive
// prefix, the directory test, and bounded text operations on path buffers.
#include "cli/path_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "core/run_state.h"
#include "fs/path_split.h"

namespace {

constexpr char BACKSLASH = '\\';

// Texts made by add_backslash; they live until the run ends.
std::vector<std::unique_ptr<char[]>> made_texts;

// A '\\' that is a character of its own, not the trail byte of one.
bool ends_in_backslash(std::string_view path)
{
    return ends_in_separator(path) && path.back() == BACKSLASH;
}

} // namespace

int change_dir(const char* path, PathLookup lookup)
{
    if (path == nullptr || path[0] == '\0') {
        return 0;
    }
    if (!has_drive_prefix(path)) {
        return host::set_current_dir(path, lookup);
    }
    const auto drive = drive_number(path);
    if (!drive) {
        return -1; // no letter: no drive
    }
    host::set_drive(*drive);
    if (host::get_drive() != *drive) {
        return -1;
    }
    return path[DRIVE_PREFIX_LENGTH] == '\0' ? 0 : host::set_current_dir(path, lookup);
}

int take_drive_prefix(char*& mask_text)
{
    if (!has_drive_prefix(mask_text)) {
        return 0;
    }
    drive_letter = mask_text[0];
    const std::array<char, 3> drive{mask_text[0], ':', '\0'};
    const int result = change_dir(drive.data());
    mask_text += DRIVE_PREFIX_LENGTH;
    return result;
}

int names_directory(const char* path)
{
    // A text with a wildcard in its name or extension never names a
    // directory: no search needed (a wide directory would be read whole).
    if ((split_path(path, nullptr, nullptr, nullptr, nullptr) & SPLIT_WILDCARDS) != 0) {
        return 0;
    }
    FindBlock block;
    if (find_first(path, block, 0) == 0) {
        find_close(block);
        return 0; // names an ordinary file
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
    if (path[0] == '\0' || ends_in_backslash(path)) {
        return path;
    }
    PathText joined{};
    copy_terminated(joined, path);
    const std::size_t length = append_bounded(joined.data(), "\\", joined.size());
    auto copy = std::make_unique<char[]>(length + 1);
    std::memcpy(copy.get(), joined.data(), length + 1);
    made_texts.push_back(std::move(copy));
    return made_texts.back().get();
}

std::size_t append_bounded(char* destination, const char* source, std::size_t size)
{
    const std::size_t length = std::strlen(destination);
    if (length >= size) {
        return length; // already past the room: nothing to add
    }
    return std::min(append_within({destination, size}, length, source), size - 1);
}

std::size_t last_char(const char* text)
{
    const std::size_t length = std::strlen(text);
    return length == 0 ? 0 : length - 1;
}

int strip_backslash(char* path)
{
    const std::size_t last = last_char(path);
    if (!ends_in_backslash(path)) {
        return 0;
    }
    const bool is_root =
        std::strcmp(path, "\\") == 0 || (path[0] != '\0' && std::strcmp(path + 1, ":\\") == 0);
    if (!is_root) {
        path[last] = '\0';
    }
    return 1;
}
