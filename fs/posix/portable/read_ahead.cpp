// No reading ahead: a host with the POSIX calls alone, or a build without
// it (WENDEX_READ_AHEAD off), walks with one thread, reading each directory
// when its pass does.
#include "fs/posix/posix_host.h"

void read_ahead_start_once() {}
void read_ahead_note_step() {}
