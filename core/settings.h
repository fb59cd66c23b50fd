// The run's configuration: every switch-controlled setting, read from the
// command line once and read-only afterwards.
#pragma once

#include <cstdint>

enum SortKey : int {
    SORT_NONE = 0, // search order, nothing buffered
    SORT_NAME = 1,
    SORT_EXT = 2,
    SORT_SIZE = 3,
    SORT_DATE = 4,
};

enum AttrMatch : int {
    ATTR_OFF = 0,
    ATTR_ANY = 1, // an entry passes with any of the asked bits
    ATTR_ALL = 2, // an entry passes only with all of them
};

// Every switch-controlled setting, at its default. Flags hold 0 or 1; texts
// point into the argument vector, which lives as long as the run.
struct ListSettings {
    SortKey sort_key = SORT_EXT;
    int show_dirs = 1;         // directory entries are listed
    int only_dirs = 0;         // only directory entries are listed
    int dot_style = 0;         // short names as name.ext
    int recurse = 0;           // the whole tree below the mask's directory
    int header_when_empty = 1; // a section with no entries still gets its frame
    AttrMatch attr_match = ATTR_OFF;
    std::uint32_t attr_mask = 0; // attribute bits asked for; 0: no filter
    int no_drive = 0;            // true names without the drive prefix
    int true_name = 0;           // unadorned lines show the full path
    int no_ext = 0;              // short names without their extension
    int bare = 0;                // no header, rule or summary
    int unadorned = 0;           // lines carry only the name
    int wide = 0;                // unadorned names in 16-column cells
    int quote_names = 0;         // accepted; no output reads it
    const char* line_trail = "";
    const char* line_prefix = "";
    const char* exclude_chars = nullptr; // none: nothing excluded
    std::uint8_t dir_time_alt = 1;       // directories show their creation time
    int time_24h = 0;
    int total_only = 0;     // only the grand total line is printed
    int summary_anyway = 0; // summaries in the bare and unadorned styles too
    int show_free = 1;      // summaries end with the free bytes

    bool operator==(const ListSettings&) const = default;
};
