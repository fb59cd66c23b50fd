// wendex: a console directory lister.
//
// Where things live, each folder standing on the ones below it and never
// reaching up:
//   cli/     the command line, usage text and exits (command_line), the run
//            from mask to grand total (driver), the mask's path texts and
//            drive and directory changes (path_text)
//   scan/    capture of search results into entry records, the directory
//            pass with its filters and sorted buffer, the sort orders, and
//            the recursive walk with the one rule of what it enters
//   report/  entry lines in every style, the section frame and summary,
//            byte counts as text, and the output stream
//   core/    what the parts of a run share: the settings record, the entry
//            record, and run_state.h, the one list of process-wide state
//   fs/      the host contract (fs_services.h: the host operations in
//            namespace host, one failure convention) and what is written
//            once over it: the attribute-matched search, the stack's room,
//            every question about a path's parts (path_split); apart, what
//            serves speed alone (walk_ahead.h). fs/posix/ is the POSIX host
//            layer, its calls that differ in fs/posix/linux/ (with the
//            read-ahead) and fs/posix/portable/; fs/win32/ the Win32 one.
//            CMakeLists.txt chooses; they are the one place with OS headers
//   text/    the text rules: code pages, display widths, case mapping, name
//            matching
#include <new>

#include "cli/command_line.h"
#include "cli/driver.h"
#include "fs/fs_services.h"
#include "report/out_stream.h"

int main(int argc, char** argv)
{
    host::note_stack_start(&argc, argv);
    host::hold_standard_streams();
    // Read once, as the time zone is: every text rule of the run follows it.
    use_code_page(host::code_page());
    std::set_new_handler(on_allocation_failure);
    // Memory running out ends the run in the new-handler, which never
    // returns; a failed write can strike anywhere below, and ends it here.
    try {
        run(argc, argv);
    } catch (const OutputFailure&) {
        fail_exit(EXIT_WRITE);
    }
}
