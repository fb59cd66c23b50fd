// The recursive walk. For now a walk lists the current directory alone, in
// a section framed as every level of a walk is framed; entering the
// subdirectories comes with the full walk.
#include "scan/walk.h"

#include "report/section.h"
#include "scan/directory_pass.h"

void walk_tree(OutStream& out, const char* mask_text, SortKey sort_key)
{
    section_event(SEC_RESET);
    section_event(SEC_WANT_BREAK);
    section_event(SEC_WANT_RULE);
    list_directory(out, mask_text, sort_key);
}
