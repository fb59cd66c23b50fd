// The volume of drive C: on a POSIX host: the label of the file system that
// holds "/", as /dev/disk/by-label names it, and the free bytes under a path.
#include "fs/posix/posix_host.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

constexpr const char* LABEL_LINKS = "/dev/disk/by-label";
constexpr std::size_t ESCAPE_LENGTH = 4; // "\xHH"

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The byte of a "\xHH" escape at the start of text, or -1 when there is none.
int escaped_byte(std::string_view text)
{
    if (text.size() < ESCAPE_LENGTH || text[0] != '\\' || text[1] != 'x') {
        return -1;
    }
    const int high = hex_digit(text[2]);
    const int low = hex_digit(text[3]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// The path without its last component; nothing when there is none to drop.
std::optional<std::string> parent_of(const std::string& path)
{
    const std::size_t end = path.find_last_not_of('/');
    if (end == std::string::npos || path == ".") {
        return std::nullopt;
    }
    const std::size_t separator = path.find_last_of('/', end);
    if (separator == std::string::npos) {
        return std::string(".");
    }
    const std::size_t kept = path.find_last_not_of('/', separator);
    return kept == std::string::npos ? std::string("/") : path.substr(0, kept + 1);
}

// Every free byte of the file system holding the POSIX path.
std::optional<std::uint64_t> free_bytes_at(const char* path)
{
    struct statvfs volume {};
    if (statvfs(path, &volume) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(volume.f_bfree) * volume.f_frsize;
}

} // namespace

std::optional<std::uint64_t> free_bytes_of_open(int fd)
{
    struct statvfs volume {};
    if (fstatvfs(fd, &volume) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(volume.f_bfree) * volume.f_frsize;
}

// decode_label and find_label are reached by the tests too, which declare
// them themselves.
std::string decode_label(std::string_view link_name)
{
    std::string label;
    for (std::size_t i = 0; i < link_name.size();) {
        const int byte = escaped_byte(link_name.substr(i));
        if (byte >= 0) {
            label += static_cast<char>(byte);
            i += ESCAPE_LENGTH;
        } else {
            label += link_name[i++];
        }
    }
    return label;
}

std::string find_label(const char* links_dir, std::uint64_t device)
{
    const DirStream links(opendir(links_dir));
    if (links == nullptr) {
        return {};
    }
    while (const dirent* entry = readdir(links.get())) {
        struct stat target {};
        const std::string_view name = entry->d_name;
        if (!is_dot_entry(name) && fstatat(dirfd(links.get()), entry->d_name, &target, 0) == 0 &&
            target.st_rdev == device) {
            return decode_label(name);
        }
    }
    return {};
}

namespace {

// The label of the file system holding "/", read once per run; empty when none.
std::string root_volume_label()
{
    // Read once: every section header of a walk asks for it.
    static const std::string label = [] {
        struct stat root {};
        return stat("/", &root) == 0 ? find_label(LABEL_LINKS, root.st_dev) : std::string{};
    }();
    return label;
}

} // namespace

namespace host {

// C: is the only drive: every other letter has no volume.
std::optional<std::string> volume_label(int drive)
{
    if (drive != DRIVE_C) {
        return std::nullopt;
    }
    return root_volume_label();
}

// The current directory (the section of a walk) is asked as ".", never by a
// path looked up again, which may be longer than the host takes; or the
// answer comes from what was read ahead of the walk for it. A path that
// does not exist is asked about through its nearest existing parent.
std::optional<std::uint64_t> disk_free_bytes(const char* path)
{
    if (path == nullptr) {
        return std::nullopt;
    }
    if (names_current_dir(path)) {
        const auto entered = entered_by_step();
        if (const auto ahead = entered ? free_bytes_read_ahead(*entered) : std::nullopt) {
            return *ahead;
        }
        return free_bytes_at(".");
    }
    for (auto target = posix_form_any_case(path); target; target = parent_of(*target)) {
        if (const auto free_bytes = free_bytes_at(target->c_str())) {
            return free_bytes;
        }
    }
    return std::nullopt;
}

} // namespace host
