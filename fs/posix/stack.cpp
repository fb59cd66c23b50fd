// Where the process's stack ends: it grows down from its top, noted in main,
// as far as the stack limit allows. No file of /proc is read, so this holds
// in a chroot or container too.
#include "fs/fs_services.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/resource.h>

extern char** environ;

namespace {

// Above the argument and environment texts: the auxiliary vector, the
// program's file name and the random bytes the kernel puts there.
constexpr std::uintptr_t TOP_MARGIN = 8 * 1024;
// The stack an unlimited limit is taken to allow: deeper than any tree
// needs, and far below what such a process's address layout leaves it.
constexpr std::uintptr_t UNLIMITED_STACK = std::uintptr_t{1} << 30;

std::uintptr_t stack_top = 0; // noted in main; 0 until then

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
    stack_top = top + TOP_MARGIN;
}

std::optional<std::uintptr_t> stack_floor(const void* here)
{
    const std::uintptr_t limit = stack_limit();
    // Not noted (the walk run without main): half the stack is taken to lie
    // above here.
    const std::uintptr_t top = stack_top != 0 ? stack_top : address_of(here) + limit / 2;
    return top > limit ? top - limit : 0;
}

} // namespace host
