// The recursive walk: the current directory and every directory below it.
#pragma once

#include "cli/settings.h"
#include "fs/fs_services.h"

void walk_tree(OutStream& out, const char* mask, SortKey sort_key);
