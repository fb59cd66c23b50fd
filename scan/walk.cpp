// The recursive walk. The current directory is the walk's cursor: each level
// lists the directory it starts in, enters each subdirectory by name, walks
// it, and comes back before it takes the next one.
#include "scan/walk.h"

#include <cstring>
#include <memory>
#include <optional>

#include "cli/driver.h"
#include "report/section.h"
#include "scan/directory_pass.h"

namespace {

constexpr std::uint32_t ALL_SUBDIRS = ATTR_DIRECTORY;

bool is_walkable(const FindBlock& block)
{
    return (block.attributes & ATTR_DIRECTORY) != 0 &&
           (block.attributes & ATTR_REPARSE_POINT) == 0 && !is_dot_entry(block.name.data());
}

// Where a level comes back to after each child: its full path, or, when that
// does not fit a path buffer, its identity, reached again through "..".
struct HomeDir {
    std::unique_ptr<PathText> path;
    std::optional<DirectoryId> identity;

    bool known() const { return path != nullptr || identity.has_value(); }
};

HomeDir save_home()
{
    HomeDir home{get_current_dir(), std::nullopt};
    if (home.path == nullptr) {
        home.identity = current_dir_id();
    }
    return home;
}

int return_home(const HomeDir& home)
{
    return home.path != nullptr ? change_dir(home.path->data()) : enter_parent_dir(*home.identity);
}

// Enters the subdirectory exactly as the search named it. A '\' in a name
// would be read as a separator and lead to another directory, so such a name
// cannot be entered; a name that looks like a drive prefix is made relative.
int enter_subdir(const char* name)
{
    if (std::strchr(name, '\\') != nullptr) {
        return -1;
    }
    if (name[1] != ':') {
        return change_dir(name);
    }
    PathText relative{'.', '\\'}; // a name has at most 255 characters: it fits
    append_bounded(relative.data(), name, relative.size());
    return change_dir(relative.data());
}

} // namespace

const char* next_subdir(FindBlock& search, bool first)
{
    int status = first ? find_first("*.*", search, ALL_SUBDIRS) : find_next(search);
    while (status == 0) {
        if (is_walkable(search)) {
            return search.name.data();
        }
        status = find_next(search);
    }
    find_close(search);
    return nullptr;
}

void walk_tree(OutStream& out, const char* mask_text, SortKey sort_key)
{
    section_event(SEC_RESET);
    section_event(SEC_WANT_BREAK);
    section_event(SEC_WANT_RULE);
    list_directory(out, mask_text, sort_key);

    const HomeDir home = save_home();
    if (!home.known()) {
        return; // no way back: entering a child could strand the walk outside the tree
    }
    FindBlock search;
    for (const char* name = next_subdir(search, true); name != nullptr;
         name = next_subdir(search, false)) {
        // A tree deeper than the stack is long is reported, not followed.
        if (!stack_has_room() || enter_subdir(name) != 0) {
            out.print("chdir failed. %s defective?\n", name);
            continue; // a failed change leaves the current directory as it was
        }
        walk_tree(out, mask_text, sort_key);
        if (return_home(home) != 0) {
            // Lost: the next names would be looked up in some other directory.
            find_close(search);
            out.print("chdir failed. %s defective?\n", home.path ? home.path->data() : "..");
            return;
        }
    }
}
