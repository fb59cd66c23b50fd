// wendex: a console directory lister.
//
// Where things live:
//   cli/     the settings record, the command line, the usage text, the exits
//            and the run driver (settings.h is the record every part reads)
//   scan/    entry records and their capture, the directory pass with its
//            buffer and filters, the sort orders, the recursive walk
//   report/  entry lines and out_column, the section frame and summary,
//            byte counts as text
//   fs/      the host operations (fs_services.h) with the POSIX layer behind
//            them, and path splitting and merging
#include <new>

#include "cli/command_line.h"
#include "cli/driver.h"
#include "fs/fs_services.h"

int main(int argc, char** argv)
{
    note_stack_start(&argc, argv);
    // Both failures can strike anywhere below; each ends the run the one way
    // it always ends, with its own message and code.
    try {
        run(argc, argv);
    } catch (const std::bad_alloc&) {
        memory_exit();
    } catch (const OutputFailure&) {
        fail_exit(EXIT_WRITE);
    }
}
