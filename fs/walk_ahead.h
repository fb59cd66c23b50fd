// What serves the walk's speed alone, in one place that the walk calls by
// name: a host layer may read the directories of a walk before the walk
// lists them, on threads of its own, and hand what it read to the passes
// that list them. The walk tells it where it goes, in its own order: each
// subdirectory it enters (with the identity its own step found), each it
// passes over, and each return to the parent. A host or a build that reads
// nothing ahead (Win32, the POSIX calls alone, WENDEX_READ_AHEAD off) has
// these do nothing; every listing is the same bytes either way.
#pragma once

#include "fs/fs_services.h"

namespace walk_ahead {

// Before the walk's first step down, from the directory it stands in: the
// layer may start reading the tree below it, in the walk's order. Later
// calls do nothing.
void start();
// The walk entered child of the directory it stood in; here is the identity
// its own step found.
void entered(const host::Subdirectory& child, const DirectoryId& here);
// The walk passes over child, which it could not enter, and so everything
// below it.
void passed_over(const host::Subdirectory& child);
// The walk went back up to the directory it came from.
void returned();
// The walk has ended, or is lost and lists nothing more: nothing more is
// read ahead, and every thread is joined.
void stop();

} // namespace walk_ahead
