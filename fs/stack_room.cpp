// Whether the stack has room for one more level of a walk: each level takes
// a stretch of it, and a tree may be deeper than the stack is long. The
// arithmetic is the same on every host; the layer tells only where the
// stack ends.
#include "fs/fs_services.h"

#include <algorithm>
#include <cstdint>

namespace {

// Kept free below the deepest level for its own pass (search, capture, sort,
// lines) and the host calls it makes, with a wide margin over what a pass
// takes in any build.
constexpr std::uintptr_t PASS_RESERVE = 128 * 1024;

std::uintptr_t stack_floor = 0;  // the lowest address the stack may reach
bool floor_known = false;        // asked of the host at the first check
std::uintptr_t last_level = 0;   // where the last check stood
std::uintptr_t level_size = 0;   // the largest step between two checks

} // namespace

bool stack_has_room()
{
    const char here = 0;
    const auto at = reinterpret_cast<std::uintptr_t>(&here);
    if (!floor_known) {
        stack_floor = host::stack_floor(&here).value_or(0); // unknown: the floor is 0
        floor_known = true;
    }
    if (last_level > at) {
        level_size = std::max(level_size, last_level - at);
    }
    last_level = at;
    return at > stack_floor && at - stack_floor > PASS_RESERVE + level_size;
}
