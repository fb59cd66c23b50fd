// The command line: switches into the settings record, the mask, the usage
// text, and fail_exit, through which every run ends.
#include "cli/command_line.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "cli/path_text.h"
#include "core/run_state.h"
#include "fs/fs_services.h"
#include "report/out_stream.h"

namespace {

constexpr char SWITCH_LEAD = '/';
constexpr const char* TOTAL_ONLY_SWITCH = "/total";

constexpr const char* USAGE_HEAD = "wendex [mask] [options] (" __DATE__ ")\n";
constexpr const char* USAGE_BODY =
    R"(i.e., wendex *.*, or just wendex. /b bare; /B bare, truename. Sort by /n name,
/s size, /e extension (default), /d date & time, /u unsorted. /a show
directories (default); /a- don't (default for /b /B /c //). /aa only /.
Name.dot style. // show contents of subdirectories. /w wide. /b[trail]
unadorned style, lines ended with optional trail. /t 24 hour time. /total just
dir byte count. /B[trail] == b, + true name. /c[trail] == B, + no drive.
-p[prefix] /:a show only files with arc attribute. arhs permitted; ORs; unless
"/:&ar". Attributes in adorned display: a:archive; r:read-only; h:hidden;
s:system. Trailing "\" taken as directory; else file. /x no extensions. /q
quote bare names. /y summary anyway (bytes) /z- don't show free bytes /f~x
exclude names with ~, x. -g dir written time. /c baredrive? (win32)
)";

// "/:" followed by letters: each adds an attribute bit, '&' asks for all.
void set_attribute_filter(const char* letters)
{
    settings.attr_match = ATTR_ANY;
    settings.attr_mask = 0;
    for (const char* c = letters; *c != '\0'; ++c) {
        switch (*c) {
        case '&': settings.attr_match = ATTR_ALL; break;
        case 'a': settings.attr_mask |= ATTR_ARCHIVE; break;
        case 'h': settings.attr_mask |= ATTR_HIDDEN; break;
        case 'r': settings.attr_mask |= ATTR_READONLY; break;
        case 's': settings.attr_mask |= ATTR_SYSTEM; break;
        default: usage_exit();
        }
    }
}

// Applies one switch; its second character chooses it.
void apply_switch(const char* argument)
{
    const char which = argument[1];
    if (which == '\0') {
        return; // "/" alone is ignored
    }
    const int on = switch_on(argument);
    const char* rest = argument + 2;
    switch (which) {
    case '.': settings.dot_style = on; break;
    case '/':
        settings.recurse = on;
        settings.show_dirs = 0;
        settings.header_when_empty = 0;
        break;
    case ':': set_attribute_filter(rest); break;
    case 'a':
        settings.show_dirs = on;
        if (rest[0] == 'a') {
            settings.only_dirs = 1;
        }
        break;
    // /c does all that /B does, and /B all that /b does, from the same text.
    case 'c': settings.no_drive = on; [[fallthrough]];
    case 'B':
        settings.true_name = on;
        settings.no_ext = 0;
        [[fallthrough]];
    case 'b':
        settings.bare = on;
        settings.line_trail = rest;
        settings.show_dirs = 0;
        settings.unadorned = on;
        break;
    case 'd': settings.sort_key = SORT_DATE; break;
    case 'e': settings.sort_key = SORT_EXT; break;
    case 'f': settings.exclude_chars = rest; break;
    case 'g': settings.dir_time_alt = 0; break;
    case 'n': settings.sort_key = SORT_NAME; break;
    case 'p': settings.line_prefix = rest; break;
    case 'q': settings.quote_names = on; break;
    case 's': settings.sort_key = SORT_SIZE; break;
    case 't':
        if (std::strcmp(argument, TOTAL_ONLY_SWITCH) == 0) {
            settings.total_only = 1;
        } else {
            settings.time_24h = on;
        }
        break;
    case 'u': settings.sort_key = SORT_NONE; break;
    case 'w':
        settings.wide = on;
        settings.unadorned = on;
        break;
    case 'x':
        settings.no_ext = on;
        settings.true_name = 0;
        break;
    case 'y': settings.summary_anyway = on; break;
    case 'z': settings.show_free = on; break;
    default: usage_exit();
    }
}

// A mask must fit a path buffer: a longer one names no path the host can
// search, and cutting it could name another place, so it is refused.
bool mask_fits(const char* argument)
{
    return fits_room(argument, PATH_ROOM);
}

} // namespace

int switch_on(const char* argument)
{
    return argument[0] != '\0' && argument[1] != '\0' && argument[2] == '-' ? 0 : 1;
}

void parse_command_line(int argc, char** argv)
{
    bool have_mask = false;
    for (int i = 1; i < argc; ++i) {
        char* argument = argv[i];
        if (argument[0] == SWITCH_LEAD) {
            apply_switch(argument);
            continue;
        }
        // A mask that lost characters to the code page would search with the
        // '?' written for them: refused, as one that does not fit.
        if (have_mask || !mask_fits(argument) || host::argument_lost_characters(i, argument)) {
            usage_exit();
        }
        mask = argument;
        have_mask = true;
    }
}

void usage_exit()
{
    OutStream& out = OutStream::standard();
    out.write(USAGE_HEAD);
    out.write(USAGE_BODY);
    fail_exit(EXIT_USAGE);
}

void fail_exit(int code)
{
    // Set once the way out has begun: an allocation that fails on it (and
    // comes back here through memory_exit) leaves the return out.
    static bool leaving = false;
    if (!leaving && start_dir != nullptr) {
        leaving = true;
        change_dir(start_dir->data(), PathLookup::AS_TYPED);
    }
    leaving = true;
    OutStream& out = OutStream::standard();
    if (!out.flush()) {
        if (!out.reader_gone()) {
            write_error_line("Couldn't write output.");
        }
        code = EXIT_WRITE;
    }
    std::exit(code);
}

void memory_exit()
{
    static bool said = false; // a failure on the way out says it once
    if (!said) {
        said = true;
        // Written without asking for memory: there may be none for a buffer.
        if (!OutStream::standard().write_final("Couldn't malloc().")) {
            fail_exit(EXIT_WRITE);
        }
    }
    fail_exit(EXIT_NO_MEMORY);
}

void on_allocation_failure()
{
    memory_exit();
}
