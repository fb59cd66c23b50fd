// How much of the process's stack is left: the walk takes one level of it
// per directory, and a tree may be deeper than the stack is long. The room is
// measured from the stack's top, noted in main, against the stack limit: no
// file of /proc is read, so the guard holds in a chroot or container too.
#include "fs/fs_services.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/resource.h>

extern char** environ;

namespace {

// Kept free below the deepest level for its own pass (search, capture, sort,
// lines) and the C library calls it makes: ten times what a pass was seen to
// need, sanitizer builds included.
constexpr std::uintptr_t PASS_RESERVE = 128 * 1024;
// Above the argument and environment texts: the auxiliary vector, the
// program's file name and the random bytes the kernel puts there.
constexpr std::uintptr_t TOP_MARGIN = 8 * 1024;
// The stack an unlimited limit is taken to allow: deeper than any tree
// needs, and far below what such a process's address layout leaves it.
constexpr std::uintptr_t UNLIMITED_STACK = std::uintptr_t{1} << 30;

std::uintptr_t stack_floor = 0; // the lowest address the stack may reach
std::uintptr_t last_level = 0;  // where the last check stood
std::uintptr_t level_size = 0;  // the largest step between two checks

std::uintptr_t stack_limit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return UNLIMITED_STACK;
    }
    return std::min<std::uintptr_t>(limit.rlim_cur, UNLIMITED_STACK);
}

// The end of the highest of the texts, which the kernel put at the top.
std::uintptr_t end_of_texts(char** texts, std::uintptr_t highest)
{
    for (; texts != nullptr && *texts != nullptr; ++texts) {
        const auto end = reinterpret_cast<std::uintptr_t>(*texts) + std::strlen(*texts) + 1;
        highest = std::max(highest, end);
    }
    return highest;
}

void set_floor(std::uintptr_t top)
{
    const std::uintptr_t limit = stack_limit();
    stack_floor = top > limit ? top - limit : 0;
}

std::uintptr_t address_of(const void* here)
{
    return reinterpret_cast<std::uintptr_t>(here);
}

} // namespace

namespace host {

void note_stack_start(const void* here, char** argv)
{
    std::uintptr_t top = end_of_texts(argv, address_of(here));
    top = end_of_texts(environ, top);
    set_floor(top + TOP_MARGIN);
}

bool stack_has_room()
{
    const char here = 0;
    const std::uintptr_t at = address_of(&here);
    if (stack_floor == 0) {
        // Not noted (a test calling the walk directly): half the stack is
        // taken to lie above this first call.
        set_floor(at + stack_limit() / 2);
    }
    if (last_level > at) {
        level_size = std::max(level_size, last_level - at);
    }
    last_level = at;
    return at > stack_floor && at - stack_floor > PASS_RESERVE + level_size;
}

} // namespace host
