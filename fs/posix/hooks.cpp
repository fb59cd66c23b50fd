// The hook of test builds; empty in every build of the program itself.
#include "fs/host_hooks.h"

#ifdef WENDEX_HOST_HOOKS

#include <utility>

namespace {
HostHook installed;
} // namespace

void set_host_hook(HostHook hook)
{
    installed = std::move(hook);
}

int run_host_hook(HostStep step, const char* name)
{
    return installed ? installed(step, name) : 0;
}

#endif
