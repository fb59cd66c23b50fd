// The process-wide settings record and run state.
#include "cli/settings.h"

ListSettings settings;

namespace {
// The mask of a command line without a positional argument.
char default_mask[] = "*";
} // namespace

char* mask = default_mask;
char drive_letter = 'c';
std::unique_ptr<PathText> start_dir;
