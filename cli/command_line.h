// Reading the argument vector into the settings, the usage text, and the one
// way a run ends.
#pragma once

// Exit codes of a run.
inline constexpr int EXIT_NORMAL = 0;
inline constexpr int EXIT_USAGE = 1; // also: the mask's drive cannot be made current
inline constexpr int EXIT_NO_MEMORY = 7;
inline constexpr int EXIT_CHDIR = 38; // recursive run: the mask's directory cannot be entered
inline constexpr int EXIT_WRITE = 74; // standard output cannot be written

// 0 when the argument's third character is '-', else 1.
int switch_on(const char* argument);

// Fills settings and mask from the arguments after the program name; returns
// only when the whole command line is acceptable.
void parse_command_line(int argc, char** argv);

// The usage text, then fail_exit(EXIT_USAGE).
[[noreturn]] void usage_exit();

// Makes start_dir current again, flushes standard output and ends the
// process; with EXIT_WRITE instead of code when the output cannot be written.
[[noreturn]] void fail_exit(int code);

// "Couldn't malloc()." and fail_exit(EXIT_NO_MEMORY): how every allocation
// failure ends the run.
[[noreturn]] void memory_exit();
// The handler operator new calls when it finds no memory: memory_exit at
// once, with no exception thrown (there may be no room left to throw one).
[[noreturn]] void on_allocation_failure();
