// How much of the thread's stack is left: the walk takes one level of it per
// directory, and a tree may be deeper than the stack is long. On Win32 the
// stack is one reserved region growing down; its low end is the allocation
// base of any address on it, which VirtualQuery gives.
#include "fs/win32/win32_host.h"

#include <algorithm>

namespace host {

namespace {

// Kept free below the deepest level for its own pass (search, capture, sort,
// lines) and the host calls it makes, as on every host.
constexpr std::uintptr_t PASS_RESERVE = 128 * 1024;
// The bottom of the region the host keeps for its guard page and for
// handling a stack overflow: never usable by the program.
constexpr std::uintptr_t GUARD_RESERVE = 64 * 1024;

std::uintptr_t stack_floor = 0; // the lowest address the stack may reach
std::uintptr_t last_level = 0;  // where the last check stood
std::uintptr_t level_size = 0;  // the largest step between two checks

std::uintptr_t address_of(const void* here)
{
    return reinterpret_cast<std::uintptr_t>(here);
}

void find_floor(const void* here)
{
    MEMORY_BASIC_INFORMATION region{};
    if (::VirtualQuery(here, &region, sizeof region) != 0) {
        stack_floor = address_of(region.AllocationBase) + GUARD_RESERVE;
    }
}

} // namespace

// The host knows where the stack ends: the start is not needed.
void note_stack_start(const void* here, char** /*argv*/)
{
    find_floor(here);
}

bool stack_has_room()
{
    const char here = 0;
    const std::uintptr_t at = address_of(&here);
    if (stack_floor == 0) {
        find_floor(&here);
    }
    if (last_level > at) {
        level_size = std::max(level_size, last_level - at);
    }
    last_level = at;
    return at > stack_floor && at - stack_floor > PASS_RESERVE + level_size;
}

} // namespace host
