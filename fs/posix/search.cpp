// The unfiltered directory search on a POSIX host: reads one directory,
// matches each name against the pattern's last component, and describes the
// matches as the host's find-data record. A name without wildcards is looked
// up directly, so it is found in a directory that can be searched but not
// read. A pass's search also gathers the walk's subdirectories from the same
// read, and leaves unread what the pass would drop.
#include "fs/posix/posix_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

#include "fs/host_hooks.h"
#include "fs/path_split.h"

struct host::Search {
    std::unique_ptr<DirReader> reader; // for a wildcard, a gathering pass, or another case
    int lookup_fd = -1;                // no wildcard: the directory, opened for lookups
    std::string lookup_dir; // where lookup_fd is AT_FDCWD: the directory's path, and '/'
    std::string name_pattern;
    bool direct = false;      // no wildcard: one lookup, a read only if needed
    bool looked_up = false;   // the name as typed has been tried
    bool direct_done = false; // the one match has been found
    bool skip_dot_entries = false;
    bool deliver_directories = true;
    std::string* subdirectories = nullptr; // names gathered for the walk
    host::EnteredDir entered;              // the current directory as the walk opened it
    int open_error = 0;                    // why the directory could not be opened
    bool gather_failed = false;  // a literal name's directory could not be read for the walk
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

    bool failed() const
    {
        return gather_failed || examine_failed || (reader != nullptr && reader->failed());
    }
};

namespace {


// Whether an entry is a directory itself (not a link to one), from its type
// or, where the file system keeps none, from the entry (not following a link).
// An entry without a type that cannot be examined is noted as a failure: it
// may be a subdirectory, and its subtree would be lost without a word.
bool is_real_directory(host::Search& search, const DirEntry& entry)
{
    if (entry.type != DT_UNKNOWN) {
        return entry.type == DT_DIR;
    }
    struct stat status {};
    if (fstatat(search.reader->fd(), entry.name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        search.examine_failed = search.examine_failed || errno != EACCES;
        return false;
    }
    return S_ISDIR(status.st_mode);
}

// Gathers a subdirectory the walk may enter; true when the entry is a
// directory the search is not to deliver.
bool gather_and_hold_back(host::Search& search, const DirEntry& entry)
{
    const bool asked = search.subdirectories != nullptr || !search.deliver_directories;
    if (!asked || is_dot_entry(entry.name)) {
        return false;
    }
    const bool directory = is_real_directory(search, entry);
    gather_if_enterable(search.subdirectories, entry.name, directory ? ATTR_DIRECTORY : 0);
    return directory && !search.deliver_directories;
}

bool wanted(const host::Search& search, std::string_view name)
{
    if (search.skip_dot_entries && is_dot_entry(name)) {
        return false;
    }
    if (!search.direct) {
        return name_matches(search.name_pattern, name);
    }
    return !search.direct_done && names_equal_blind(search.name_pattern, name);
}

// The next wanted entry of the directory read, gathering on the way.
bool next_read(host::Search& search, FindResult& result)
{
    while (const DirEntry* entry = search.reader->next()) {
        const bool held_back = gather_and_hold_back(search, *entry);
        if (held_back || !wanted(search, entry->name)) {
            continue;
        }
        if (!describe_listed(search.reader->fd(), entry->name, entry->type, result)) {
            search.examine_failed = true; // reported once, when the directory ends
        }
        search.direct_done = true;
        return true;
    }
    return false;
}

// The directory read from its start, for a gathering pass or for a name not
// found as typed.
std::unique_ptr<DirReader> reader_of(const host::Search& search)
{
    const char* directory = search.lookup_fd == AT_FDCWD ? search.lookup_dir.c_str() : ".";
    const int read_fd = openat(search.lookup_fd, directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return read_fd < 0 ? nullptr : std::make_unique<DirReader>(read_fd);
}

enum class AsTyped { MISSING, DELIVERED, HELD_BACK };

// The entry name of the directory looked up in.
bool describe_looked_up(const host::Search& search, const char* name, FindResult& result)
{
    if (search.lookup_fd != AT_FDCWD) {
        return describe_entry(search.lookup_fd, name, result);
    }
    const std::string path = search.lookup_dir + name;
    return describe_entry_at(AT_FDCWD, path.c_str(), name, result);
}

// The name looked up exactly as typed: one stat, no read of the directory.
AsTyped look_up_as_typed(host::Search& search, FindResult& result)
{
    const char* name = search.name_pattern.c_str();
    if ((search.skip_dot_entries && is_dot_entry(name)) ||
        !describe_looked_up(search, name, result)) {
        return AsTyped::MISSING;
    }
    const bool directory = (result.dwFileAttributes & ATTR_DIRECTORY) != 0;
    return directory && !search.deliver_directories ? AsTyped::HELD_BACK : AsTyped::DELIVERED;
}

// The name as typed, or else the first entry that equals it case-blind. A
// gathering pass reads the directory to its end all the same.
bool direct_lookup(host::Search& search, FindResult& result)
{
    if (!search.looked_up) {
        search.looked_up = true;
        const AsTyped as_typed = look_up_as_typed(search, result);
        search.direct_done = as_typed != AsTyped::MISSING;
        if (search.direct_done && search.subdirectories == nullptr) {
            return as_typed == AsTyped::DELIVERED;
        }
        search.reader = reader_of(search);
        search.gather_failed = search.reader == nullptr && search.subdirectories != nullptr;
        if (as_typed == AsTyped::DELIVERED) {
            return true; // the read that follows only gathers
        }
    }
    return search.reader != nullptr && next_read(search, result);
}

// The directory at path opened for reading; nothing when it cannot be.
std::unique_ptr<DirReader> read_directory_at(const char* path)
{
    if (const int error = run_host_hook(HostStep::OPEN_DIR, path); error != 0) {
        errno = error;
        return nullptr;
    }
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd < 0 ? nullptr : std::make_unique<DirReader>(fd);
}

// The directory's reader; for the current directory, the descriptor the
// walk entered it with, when there is one.
std::unique_ptr<DirReader> open_reader(host::Search& search, const char* posix)
{
    if (search.entered != nullptr && std::string_view{posix} == ".") {
        const host::EnteredDir entered = std::move(search.entered);
        return std::make_unique<DirReader>(std::exchange(entered->fd, -1));
    }
    return read_directory_at(posix);
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

// Opens the pattern's directory: for reading when the name holds wildcards
// or the pass gathers, for lookups alone otherwise (which needs no read
// permission).
bool open_directory(host::Search& search, std::string_view directory)
{
    if (!search.direct) {
        const auto open_for_reading = [&search](const char* posix) {
            search.reader = open_reader(search, posix);
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
    if (!open_directory(search, parts.directory)) {
        read_failed = open_failure_is_read_failure(search, parts.directory);
        return false;
    }
    if (!host::FindNextFileA(&search, result)) {
        read_failed = search.failed();
        return false;
    }
    // Not read: the pattern names another directory, or a name looked up.
    search.entered.reset();
    return true;
}

// The search started and its first result filled; otherwise none, and
// read_failed, when given, says whether the directory failed to read.
host::SearchHandle start_search(const char* pattern, FindResult& result,
                                std::unique_ptr<host::Search> search, bool* read_failed)
{
    bool failed = false;
    const bool started = open_with_first_result(pattern, result, *search, failed);
    if (read_failed != nullptr) {
        *read_failed = failed;
    }
    return started ? search.release() : host::INVALID_SEARCH;
}

} // namespace

namespace host {

SearchHandle FindFirstFileA(const char* pattern, FindResult& result, bool* read_failed)
{
    return start_search(pattern, result, std::make_unique<Search>(), read_failed);
}

SearchHandle find_first_for_pass(const char* pattern, FindResult& result, PassSearch pass,
                                 bool* read_failed)
{
    auto search = std::make_unique<Search>();
    search->skip_dot_entries = true;
    search->deliver_directories = pass.deliver_directories;
    search->subdirectories = pass.subdirectories;
    search->entered = std::move(pass.entered);
    return start_search(pattern, result, std::move(search), read_failed);
}

bool FindNextFileA(SearchHandle search, FindResult& result)
{
    if (search == INVALID_SEARCH) {
        return false;
    }
    return search->direct ? direct_lookup(*search, result) : next_read(*search, result);
}

bool search_read_failed(SearchHandle search)
{
    return search != INVALID_SEARCH && search->failed();
}

void FindClose(SearchHandle search)
{
    delete search;
}

std::optional<std::uint64_t> disk_free_bytes(const char* path, SearchHandle open_search)
{
    if (open_search != INVALID_SEARCH && open_search->reader != nullptr) {
        struct statvfs volume {};
        if (fstatvfs(open_search->reader->fd(), &volume) == 0) {
            return static_cast<std::uint64_t>(volume.f_bfree) * volume.f_frsize;
        }
    }
    return disk_free_bytes_of_path(path);
}

} // namespace host
