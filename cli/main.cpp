// wendex: a console directory lister.
//
// Where things live, each folder standing on the ones below it and never
// reaching up:
//   cli/     the command line, usage text and exits (command_line), the
//            run from mask to grand total (driver), the mask's path texts
//            and drive and directory changes (path_text)
//   scan/    capture of search results into entry records, the directory
//            pass with its filters and sorted buffer, the sort orders, the
//            recursive walk
//   report/  entry lines in every style, the section frame and summary,
//            byte counts as text
//   core/    what the parts of a run share: the settings record, the entry
//            record, and run_state.h, the one list of process-wide state
//   fs/      the services the logic is built on (fs_services.h): the host
//            operations in namespace host, the attribute-matched search
//            written once over them, path splitting, the output stream,
//            and the short text rules (host_text.h, dos_words.h);
//            fs/posix/ is the POSIX host layer and fs/win32/ the Win32 one
//            (CMakeLists.txt chooses one): the one place with OS headers
#include <new>

#include "cli/command_line.h"
#include "cli/driver.h"
#include "fs/fs_services.h"
#include "report/out_stream.h"

int main(int argc, char** argv)
{
    host::note_stack_start(&argc, argv);
    // Read once, as the time zone is: every text rule of the run follows it.
    use_code_page(host::code_page());
    std::set_new_handler(on_allocation_failure);
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
