// The run from the argument vector to the exit code.
#pragma once

// The whole run; never returns.
[[noreturn]] void run(int argc, char** argv);
