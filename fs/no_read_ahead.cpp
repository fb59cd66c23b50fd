// A walk with no reading ahead: one thread, each directory read when its
// pass reads it.
#include "fs/walk_ahead.h"

namespace walk_ahead {

void start() {}
void entered(const host::Subdirectory& /*child*/, const DirectoryId& /*here*/) {}
void passed_over(const host::Subdirectory& /*child*/) {}
void returned() {}
void stop() {}

} // namespace walk_ahead
