// The recursive walk. The current directory is the walk's cursor: each level
// lists the directory it starts in, reads the names of its subdirectories,
// goes down into each by name (never through a link, never onto another
// volume), walks it, and comes back up through "..", checked against the
// identity of the level's own directory. No level holds a path or an open
// directory while the levels below it run, so a tree that changes while it is
// walked cannot steer the walk outside, and no depth runs out of descriptors.
#include "scan/walk.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/run_state.h"
#include "report/section.h"
#include "scan/directory_pass.h"

namespace {

constexpr std::uint32_t ALL_SUBDIRS = ATTR_DIRECTORY;

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

// The names of the current directory's subdirectories in the host's order,
// each ended by a NUL, read to the end before any is entered.
std::string read_subdirs(OutStream& out)
{
    std::string names;
    FindBlock search;
    for (const char* name = next_subdir(search, true); name != nullptr;
         name = next_subdir(search, false)) {
        names += name;
        names += '\0';
    }
    if (host::search_read_failed()) {
        report_read_failure(out, section_directory());
    }
    return names;
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
    const std::string names = read_subdirs(out);
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        // A tree deeper than the stack is long is reported, not followed.
        const auto child = host::stack_has_room() ? host::enter_subdir(name, *here) : std::nullopt;
        if (!child) {
            report_defective(out, name);
            continue; // a failed entry leaves the current directory as it was
        }
        walk_level(out, mask_text, sort_key, child);
        if (host::enter_parent_dir(*here) != 0) {
            // Lost: this level's directory has moved or gone. Nothing more is
            // listed from here, or it could lie outside the tree.
            report_defective(out, "..");
            return;
        }
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
    walk_level(out, mask_text, sort_key, host::current_dir_id());
}
