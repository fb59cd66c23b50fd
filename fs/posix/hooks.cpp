// The hook of the test builds (WENDEX_HOST_HOOKS): built into their host
// layer alone, never into the program.
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
