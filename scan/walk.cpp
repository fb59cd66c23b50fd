// The recursive walk. The current directory is the walk's cursor: each level
// lists the directory it starts in, takes its subdirectories from next_subdir
// (the same read of the directory serves both, behind the host layer), goes
// down into each (never through a link, never onto another volume), walks
// it, and comes back up through "..", checked against the identity of the
// level's own directory. No level holds a path or an open directory while
// the levels below it run, so a tree that changes while it is walked cannot
// steer the walk outside, and no depth runs out of descriptors.
#include "scan/walk.h"

#include <optional>
#include <string_view>
#include <vector>

#include "core/run_state.h"
#include "fs/walk_ahead.h"
#include "report/section.h"
#include "scan/directory_pass.h"

namespace {

// The subdirectories of one level, as next_subdir hands them out.
struct SubdirSearch {
    std::vector<host::Subdirectory> found;
    std::size_t next = 0;
    bool failed = false; // the directory failed to read: nothing was found
};

// The one rule of which subdirectories are walked: every directory, hidden
// and system ones included, but never a link or junction (a reparse point),
// nor "." or "..". The mask and the pass's filters have no say.
bool is_walked(const host::Subdirectory& subdirectory)
{
    return (subdirectory.attributes & ATTR_DIRECTORY) != 0 &&
           (subdirectory.attributes & ATTR_REPARSE_POINT) == 0 && !is_dot_entry(subdirectory.name);
}

// The next subdirectory of the current directory the walk takes, in the
// host's order: with first, from a new search (the directories the pass's
// read found, or a read of the walk's own); null once none is left.
const host::Subdirectory* next_subdir(SubdirSearch& search, bool first)
{
    if (first) {
        auto found = host::subdirectories();
        search.failed = !found;
        search.found = found ? std::move(*found) : std::vector<host::Subdirectory>{};
        search.next = 0;
    }
    while (search.next < search.found.size()) {
        const host::Subdirectory& candidate = search.found[search.next++];
        if (is_walked(candidate)) {
            return &candidate;
        }
    }
    return nullptr;
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
    const bool read = list_directory(out, mask_text, sort_key);
    SubdirSearch search;
    const host::Subdirectory* child = here ? next_subdir(search, true) : nullptr;
    if (read && (!here || search.failed)) {
        // Its subdirectories cannot be walked: said (once), not passed over.
        report_read_failure(out, section_directory());
    }
    for (; here && child != nullptr; child = next_subdir(search, false)) {
        walk_ahead::start();
        // A tree deeper than the stack is long is reported, not followed.
        const auto entered = stack_has_room() ? host::enter_subdir(*child, *here) : std::nullopt;
        if (!entered) {
            walk_ahead::passed_over(*child);
            report_defective(out, child->name);
            continue; // a failed entry leaves the current directory as it was
        }
        walk_ahead::entered(*child, *entered);
        walk_level(out, mask_text, sort_key, entered);
        if (!host::enter_parent_dir(*here)) {
            // Lost: this level's directory has moved or gone. Nothing more is
            // listed from here, or it could lie outside the tree.
            walk_ahead::stop();
            report_defective(out, "..");
            return;
        }
        walk_ahead::returned();
    }
}

} // namespace

void walk_tree(OutStream& out, const char* mask_text, SortKey sort_key)
{
    walk_level(out, mask_text, sort_key, host::current_dir_id());
    walk_ahead::stop();
}
