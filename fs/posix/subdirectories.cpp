// The subdirectories of the current directory on a POSIX host, for the
// walk: kept from the read its pass made where that read took every entry,
// or read for the walk alone. The directory is read through the descriptor
// the walk's step opened it with, where there is one, so that the step and
// the read are of the very same directory, or taken from what was read
// ahead of the walk where that was the directory the step found; whatever
// is kept goes when the current directory changes.
#include "fs/posix/posix_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "fs/host_hooks.h"

namespace {

// What the layer keeps of the current directory.
std::optional<std::vector<host::Subdirectory>> kept;
int step_opened = -1;
std::optional<DirectoryId> step_entered;

void close_step_opened()
{
    if (step_opened >= 0) {
        close(step_opened);
    }
    step_opened = -1;
}

// Whether the entry is a directory itself (not a link to one), from its
// type or, where the file system keeps none, from the entry (not following
// a link). Nothing when it cannot be examined.
std::optional<bool> is_real_directory(int directory_fd, const DirEntry& entry)
{
    if (entry.type != DT_UNKNOWN) {
        return entry.type == DT_DIR;
    }
    if (entry.facts != nullptr) {
        errno = entry.facts->error;
        return entry.facts->error == 0 ? std::optional{S_ISDIR(entry.facts->status.mode)}
                                       : std::nullopt;
    }
    struct stat status {};
    if (fstatat(directory_fd, entry.name.data(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return S_ISDIR(status.st_mode);
}

} // namespace

bool note_subdirectory(int directory_fd, const DirEntry& entry,
                       std::vector<host::Subdirectory>& found)
{
    if (is_dot_entry(entry.name)) {
        return true;
    }
    const auto directory = is_real_directory(directory_fd, entry);
    if (directory && *directory) {
        found.push_back({std::string{entry.name}, ATTR_DIRECTORY, {}});
    }
    // An entry that may be a subdirectory and cannot be examined is a
    // failure: its subtree would be lost without a word.
    return directory || errno == EACCES;
}

void keep_subdirectories(std::vector<host::Subdirectory> found)
{
    kept = std::move(found);
}

void keep_step(int fd, const DirectoryId& entered)
{
    close_step_opened();
    step_opened = fd;
    step_entered = entered;
}

std::optional<DirectoryId> entered_by_step()
{
    return step_entered;
}

void left_current_dir()
{
    kept.reset();
    close_step_opened();
    step_entered.reset();
}

std::unique_ptr<DirReader> read_directory_at(const char* path)
{
    if (const int error = run_host_hook(HostStep::OPEN_DIR, path); error != 0) {
        errno = error;
        return nullptr;
    }
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd < 0 ? nullptr : open_dir_reader(fd);
}

std::unique_ptr<DirReader> reader_of_current_dir()
{
    if (step_entered) {
        if (auto ahead = reader_read_ahead(*step_entered)) {
            close_step_opened();
            return ahead;
        }
    }
    if (step_opened >= 0) {
        return open_dir_reader(std::exchange(step_opened, -1));
    }
    return read_directory_at(".");
}

namespace host {

std::optional<std::vector<Subdirectory>> subdirectories()
{
    if (kept) {
        return std::exchange(kept, std::nullopt);
    }
    const auto reader = reader_of_current_dir();
    if (reader == nullptr) {
        return std::nullopt;
    }
    std::vector<Subdirectory> found;
    bool examined = true;
    while (const DirEntry* entry = reader->next()) {
        examined = note_subdirectory(reader->fd(), *entry, found) && examined;
    }
    if (reader->failed() || !examined) {
        return std::nullopt;
    }
    return found;
}

} // namespace host
