// The recursive walk. The current directory is the walk's cursor: each level
// lists the directory it starts in, gathering the names of its
// subdirectories from the same read, goes down into each by name (never
// through a link, never onto another volume), walks it, and comes back up
// through "..", checked against the identity of the level's own directory.
// No level holds a path or an open directory while the levels below it run,
// so a tree that changes while it is walked cannot steer the walk outside,
// and no depth runs out of descriptors.
#include "scan/walk.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/run_state.h"
#include "report/section.h"
#include "scan/directory_pass.h"

namespace {

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
// entered: the directory as the step down into it opened it, for its pass.
void walk_level(OutStream& out, const char* mask_text, SortKey sort_key,
                const std::optional<DirectoryId>& here, host::EnteredDir entered = {})
{
    section_event(SEC_RESET);
    section_event(SEC_WANT_BREAK);
    section_event(SEC_WANT_RULE);
    std::string names; // each ended by a NUL
    const bool read = list_directory(out, mask_text, sort_key, here ? &names : nullptr,
                                     std::move(entered));
    if (!here) {
        // Its subdirectories cannot be walked: said (once), not passed over.
        if (read) {
            report_read_failure(out, section_directory());
        }
        return;
    }
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.data() + at; // each with the layer's way to it
        at += std::strlen(name) + 1;
        const char* reach = names.data() + at;
        at += std::strlen(reach) + 1;
        // A tree deeper than the stack is long is reported, not followed.
        host::EnteredDir opened;
        const auto child =
            stack_has_room() ? host::enter_subdir(name, reach, *here, opened) : std::nullopt;
        if (!child) {
            report_defective(out, name);
            continue; // a failed entry leaves the current directory as it was
        }
        walk_level(out, mask_text, sort_key, child, std::move(opened));
        if (host::enter_parent_dir(*here) != 0) {
            // Lost: this level's directory has moved or gone. Nothing more is
            // listed from here, or it could lie outside the tree.
            report_defective(out, "..");
            return;
        }
    }
}

} // namespace

void walk_tree(OutStream& out, const char* mask_text, SortKey sort_key)
{
    walk_level(out, mask_text, sort_key, host::current_dir_id());
}
