// The recursive walk. The current directory is the walk's cursor: each level
// lists the directory it starts in, goes down into each subdirectory by name
// (never through a link, never onto another volume), walks it, and comes back
// up through "..", checked against the identity of the level's own directory.
// No level holds a path or a descriptor, so a tree that changes while it is
// walked cannot steer the walk outside, and no depth runs out of descriptors.
#include "scan/walk.h"

#include <optional>
#include <string_view>

#include "report/section.h"
#include "scan/directory_pass.h"

namespace {

constexpr std::uint32_t ALL_SUBDIRS = ATTR_DIRECTORY;
constexpr const char* HERE = ".\\"; // the current directory, as a directory text

bool is_walkable(const FindBlock& block)
{
    return (block.attributes & ATTR_DIRECTORY) != 0 &&
           (block.attributes & ATTR_REPARSE_POINT) == 0 && !is_dot_entry(block.name.data());
}

// "chdir failed. NAME defective?" where the output stands.
void report_defective(OutStream& out, std::string_view name)
{
    out.write("chdir failed. ");
    out.write_name(name);
    out.write(" defective?\n");
}

// here: the identity of the current directory; nothing when the host cannot
// tell it, and then the level lists its directory but enters no child, since
// it could not make sure of its way back.
void walk_level(OutStream& out, const char* mask_text, SortKey sort_key,
                const std::optional<DirectoryId>& here)
{
    section_event(SEC_RESET);
    section_event(SEC_WANT_BREAK);
    section_event(SEC_WANT_RULE);
    list_directory(out, mask_text, sort_key);
    if (!here) {
        return;
    }
    FindBlock search;
    const char* name = next_subdir(search, true);
    for (; name != nullptr; name = next_subdir(search, false)) {
        // A tree deeper than the stack is long is reported, not followed.
        const auto child = stack_has_room() ? enter_subdir(name, *here) : std::nullopt;
        if (!child) {
            report_defective(out, name);
            continue; // a failed entry leaves the current directory as it was
        }
        walk_level(out, mask_text, sort_key, child);
        if (enter_parent_dir(*here) != 0) {
            // Lost: this level's directory has moved or gone. Nothing more is
            // listed from here, or it could lie outside the tree.
            report_defective(out, "..");
            return;
        }
    }
    if (search_read_failed()) {
        report_read_failure(out, full_path_long(HERE).value_or(HERE));
    }
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
    walk_level(out, mask_text, sort_key, current_dir_id());
}
