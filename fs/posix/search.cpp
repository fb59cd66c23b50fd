// The unfiltered directory search on a POSIX host: reads one directory,
// matches each name against the pattern's last component, and describes the
// matches as the host's find-data record. A name without wildcards is looked
// up directly, so it is found in a directory that can be searched but not
// read. A read of the current directory keeps the subdirectories it passes
// for the walk, and reads the current directory through the descriptor the
// walk's step opened it with, where there is one.
#include "fs/posix/posix_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "fs/host_hooks.h"
#include "fs/path_split.h"

struct host::Search {
    std::unique_ptr<DirReader> reader; // for a wildcard, or a name not found as typed
    int lookup_fd = -1;                // no wildcard: the directory, opened for lookups
    std::string lookup_dir; // where lookup_fd is AT_FDCWD: the directory's path, and '/'
    std::string name_pattern;
    bool every_name = false;  // the pattern matches every name: none is asked
    bool direct = false;      // no wildcard: one lookup, a read only if needed
    bool looked_up = false;   // the name as typed has been tried
    bool direct_done = false; // the one match has been found
    // A wildcard in the current directory: every entry is read, and the
    // subdirectories passed are kept for the walk.
    bool whole_current_dir = false;
    std::vector<Subdirectory> subdirectories;
    int open_error = 0;          // why the directory could not be opened
    bool examine_failed = false; // an entry could not be examined (not for want of permission)

    Search() = default;
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    ~Search()
    {
        if (lookup_fd >= 0) {
            close(lookup_fd);
        }
    }

    bool failed() const { return examine_failed || (reader != nullptr && reader->failed()); }
};

namespace {


// Whether directories are described (stat-ed) when delivered, and whether
// the last search ended on a failed read.
bool directories_described = true;
bool last_read_failed = false;

// Fills result for a delivered entry: described, or, for "." and "..", and
// for a directory where directories are not described, from its entry
// alone. False when it could not be examined (not for want of permission).
bool describe_delivered(const host::Search& search, const DirEntry& entry, FindResult& result)
{
    const bool dot = is_dot_entry(entry.name);
    if (dot || (entry.type == DT_DIR && !directories_described)) {
        result = FindResult{};
        result.dwFileAttributes = attribute_word(EntryKind::DIRECTORY, true, false, entry.name);
        copy_terminated(result.cFileName, entry.name);
        return true;
    }
    return describe_listed(search.reader->fd(), entry, result);
}

bool wanted(const host::Search& search, std::string_view name)
{
    if (!search.direct) {
        return search.every_name || name_matches(search.name_pattern, name);
    }
    return !search.direct_done && names_equal_blind(search.name_pattern, name);
}

// The next wanted entry of the directory read, keeping the subdirectories of
// the current directory on the way, and all of them once it is read whole.
bool next_read(host::Search& search, FindResult& result)
{
    while (const DirEntry* entry = search.reader->next()) {
        if (search.whole_current_dir &&
            !note_subdirectory(search.reader->fd(), *entry, search.subdirectories)) {
            search.examine_failed = true;
        }
        if (!wanted(search, entry->name)) {
            continue;
        }
        if (!describe_delivered(search, *entry, result)) {
            search.examine_failed = true; // reported once, when the directory ends
        }
        search.direct_done = true;
        return true;
    }
    if (search.whole_current_dir && !search.failed()) {
        keep_subdirectories(std::move(search.subdirectories));
    }
    return false;
}

// The directory read from its start, for a name not found as typed.
std::unique_ptr<DirReader> reader_of(const host::Search& search)
{
    const char* directory = search.lookup_fd == AT_FDCWD ? search.lookup_dir.c_str() : ".";
    const int read_fd = openat(search.lookup_fd, directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return read_fd < 0 ? nullptr : open_dir_reader(read_fd);
}

// The entry name of the directory looked up in.
bool describe_looked_up(const host::Search& search, const char* name, FindResult& result)
{
    if (search.lookup_fd != AT_FDCWD) {
        return describe_entry(search.lookup_fd, name, result);
    }
    const std::string path = search.lookup_dir + name;
    return describe_entry_at(AT_FDCWD, path.c_str(), name, result);
}

// The name as typed (one stat, no read of the directory), or else the first
// entry that equals it case-blind.
bool direct_lookup(host::Search& search, FindResult& result)
{
    if (!search.looked_up) {
        search.looked_up = true;
        if (describe_looked_up(search, search.name_pattern.c_str(), result)) {
            search.direct_done = true;
            return true;
        }
        search.reader = reader_of(search);
    }
    return search.reader != nullptr && next_read(search, result);
}

// The directory's reader: for the current directory, through the
// descriptor the walk's step opened it with, where there is one.
std::unique_ptr<DirReader> open_reader(const char* posix)
{
    return std::string_view{posix} == "." ? reader_of_current_dir() : read_directory_at(posix);
}

// The directory opened for lookups alone, which needs no read permission
// where the host can open it so. Elsewhere it is opened for reading, and a
// directory that is searchable but not readable is looked up through its path.
bool open_for_lookups(host::Search& search, const char* posix)
{
    const auto lookup_only = search_only_access();
    search.lookup_fd = open(posix, lookup_only.value_or(O_RDONLY) | O_DIRECTORY | O_CLOEXEC);
    if (search.lookup_fd >= 0 || lookup_only || errno != EACCES) {
        return search.lookup_fd >= 0;
    }
    struct stat status {};
    if (stat(posix, &status) != 0 || !S_ISDIR(status.st_mode)) {
        return false;
    }
    search.lookup_fd = AT_FDCWD;
    search.lookup_dir = posix;
    search.lookup_dir += '/';
    return true;
}

// Opens the pattern's directory: for reading when the name holds wildcards,
// for lookups alone otherwise (which needs no read permission).
bool open_directory(host::Search& search, std::string_view directory)
{
    if (!search.direct) {
        const auto open_for_reading = [&search](const char* posix) {
            search.reader = open_reader(posix);
            search.open_error = search.reader != nullptr ? 0 : errno;
            return search.reader != nullptr;
        };
        return try_as_typed_then_any_case(directory, open_for_reading);
    }
    const auto open_lookup = [&search](const char* posix) {
        return open_for_lookups(search, posix);
    };
    return try_as_typed_then_any_case(directory, open_lookup);
}

// A directory that is there but cannot be opened for reading (no read
// permission, an I/O error, no memory or descriptors left) is a failed read,
// never an empty directory. The current directory is always there.
bool open_failure_is_read_failure(const host::Search& search, std::string_view directory)
{
    const int error = search.open_error;
    if (error == 0 || search.direct) {
        return false;
    }
    const auto posix = posix_form(directory);
    return (error != ENOENT && error != ENOTDIR) || (posix && *posix == ".");
}

// Opens the pattern's directory and fills the first result; when there is
// none, read_failed says whether the directory failed to read.
bool open_with_first_result(const char* pattern, FindResult& result, host::Search& search,
                            bool& read_failed)
{
    if (pattern == nullptr || !fits_room(pattern, PATH_ROOM)) {
        return false;
    }
    const PatternParts parts = split_pattern(pattern);
    if (parts.name.empty()) {
        return false;
    }
    search.name_pattern = parts.name;
    search.direct = !has_wildcards(parts.name);
    search.every_name = matches_every_name(parts.name);
    search.whole_current_dir = !search.direct && parts.directory.empty();
    if (!open_directory(search, parts.directory)) {
        read_failed = open_failure_is_read_failure(search, parts.directory);
        return false;
    }
    if (!host::FindNextFileA(&search, result)) {
        read_failed = search.failed();
        return false;
    }
    return true;
}

} // namespace

bool directories_are_described()
{
    return directories_described;
}

namespace host {

SearchHandle FindFirstFileA(const char* pattern, FindResult& result)
{
    auto search = std::make_unique<Search>();
    last_read_failed = false;
    return open_with_first_result(pattern, result, *search, last_read_failed) ? search.release()
                                                                              : INVALID_SEARCH;
}

bool FindNextFileA(SearchHandle search, FindResult& result)
{
    if (search == INVALID_SEARCH) {
        last_read_failed = false;
        return false;
    }
    const bool found = search->direct ? direct_lookup(*search, result) : next_read(*search, result);
    last_read_failed = !found && search->failed();
    return found;
}

void FindClose(SearchHandle search)
{
    delete search;
}

bool read_failed()
{
    return last_read_failed;
}

void describe_directories(bool described)
{
    directories_described = described;
}

} // namespace host
