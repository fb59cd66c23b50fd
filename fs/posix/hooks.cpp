// The hook of the test builds (WENDEX_HOST_HOOKS): built into their host
// layer alone, never into the program. The file means the hooks, so it says
// so itself too, and reads the same wherever it is compiled.
#ifndef WENDEX_HOST_HOOKS
#define WENDEX_HOST_HOOKS
#endif
#include "fs/host_hooks.h"

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

bool host_hook_installed()
{
    return static_cast<bool>(installed);
}
