// The recursive walk: the current directory and every directory below it.
#pragma once

#include "core/settings.h"
#include "report/out_stream.h"

// Lists the current directory, then walks each of its subdirectories in the
// order the host's search gives them (pre-order). Symbolic links are listed
// but never entered. Ends in the directory it started in.
void walk_tree(OutStream& out, const char* mask, SortKey sort_key);
