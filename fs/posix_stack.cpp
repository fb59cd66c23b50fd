// How much of the process's stack is left: the walk takes one level of it
// per directory, and a tree may be deeper than the stack is long.
#include "fs/fs_services.h"

#include <cstdint>
#include <pthread.h>

namespace {

// Kept free below the deepest level for its own pass: search, sort and lines.
constexpr std::uintptr_t PASS_RESERVE = 1U << 20;

// The lowest address the stack may grow to; 0 when the host cannot say.
std::uintptr_t stack_floor()
{
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) {
        return 0;
    }
    void* low = nullptr;
    std::size_t size = 0;
    const int status = pthread_attr_getstack(&attributes, &low, &size);
    pthread_attr_destroy(&attributes);
    return status == 0 ? reinterpret_cast<std::uintptr_t>(low) : 0;
}

} // namespace

bool stack_has_room()
{
    static const std::uintptr_t floor = stack_floor();
    const char here = 0;
    const auto at = reinterpret_cast<std::uintptr_t>(&here);
    return floor == 0 || (at > floor && at - floor > PASS_RESERVE);
}
