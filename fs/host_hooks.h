// Test-only hooks in the host layer: a test can run its own code just before
// a chosen step (to change the tree at the worst moment, as a racing process
// would) or make the step fail with an error of its choice. Builds without
// WENDEX_HOST_HOOKS (every build of the program itself) have no hook at all.
#pragma once

#ifdef WENDEX_HOST_HOOKS
#include <functional>
#endif

// The steps a test can intercept, each given the name it acts on.
enum class HostStep {
    ENTER_SUBDIR, // the walk going down into a subdirectory
    ENTER_PARENT, // the walk coming back up through ".."
    READ_DIR,     // reading the next entry of a directory
    OPEN_DIR,     // opening a directory for reading
    STAT_ENTRY,   // examining an entry of a directory
    STAT_CURRENT, // examining the current directory
    CURRENT_DIR,  // asking the host which directory is current
};

#ifdef WENDEX_HOST_HOOKS
// Runs before each step; returns 0 to let the step go on, or an errno value
// that the step then fails with.
using HostHook = std::function<int(HostStep step, const char* name)>;
// Installs the hook (an empty one removes it).
void set_host_hook(HostHook hook);
int run_host_hook(HostStep step, const char* name);
// Whether a hook is installed: the layer then reads nothing ahead of the
// walk, whose every step the hook is to see.
bool host_hook_installed();
#else
constexpr int run_host_hook(HostStep /*step*/, const char* /*name*/)
{
    return 0;
}
constexpr bool host_hook_installed()
{
    return false;
}
#endif
