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
#include "cli/driver.h"

int main(int argc, char** argv)
{
    run(argc, argv);
}
