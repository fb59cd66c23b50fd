// What serves the walk's speed alone, in one place that the walk calls by
// name: a host layer may read the directories of a walk before the walk
// lists them, on a thread of its own. The walk tells it where it goes, in
// its own order: each subdirectory it lists and each it passes over. A host
// or a build that reads nothing ahead (Win32, the POSIX calls alone,
// WENDEX_READ_AHEAD off) has these do nothing; every listing is the same
// bytes either way.
#pragma once

#include "fs/fs_services.h"

namespace walk_ahead {

// Before the walk's first step down, from the directory it stands in: the
// layer may start reading the tree below it, in the walk's order. Later
// calls do nothing.
void start();
// The walk lists a subdirectory it entered, whose identity its own step
// found.
void listing(const DirectoryId& here);
// The walk passes over a subdirectory it could not enter, and so everything
// below it.
void passed_over();
// The walk has ended: nothing more is read ahead, and every thread is joined.
void stop();

} // namespace walk_ahead
