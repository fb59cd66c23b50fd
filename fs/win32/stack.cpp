// Where the thread's stack ends. On Win32 the stack is one reserved region
// growing down; its low end is the allocation base of any address on it,
// which VirtualQuery gives.
#include "fs/win32/win32_host.h"

namespace host {

namespace {

// The bottom of the region the host keeps for its guard page and for
// handling a stack overflow: never usable by the program.
constexpr std::uintptr_t GUARD_RESERVE = 64 * 1024;

} // namespace

// The host knows where the stack ends: the start is not needed.
void note_stack_start(const void* /*here*/, char** /*argv*/) {}

std::optional<std::uintptr_t> stack_floor(const void* here)
{
    MEMORY_BASIC_INFORMATION region{};
    if (::VirtualQuery(here, &region, sizeof region) == 0) {
        return std::nullopt;
    }
    return reinterpret_cast<std::uintptr_t>(region.AllocationBase) + GUARD_RESERVE;
}

} // namespace host
