// Drive C: and its paths on a POSIX host: translating path texts to POSIX
// paths (with case-blind lookup of components), full paths, and the current
// drive and directory.
#include "fs/host_hooks.h"
#include "fs/host_text.h"
#include "fs/posix_host.h"

#include <array>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr std::size_t ROOT_LENGTH = 2; // "C:", before the first '\'

// Room for the host's own answer; deeper directories are named by known_dir.
constexpr std::size_t CWD_ROOM = 4096;

// The current directory as the layer last knew it: set from every answer of
// the host, extended by each entry into a subdirectory by name and cut by each
// checked return to the parent. It names directories too deep for the host to
// name; empty when unknown.
std::string known_dir;
// The identity of the directory known_dir names, kept while it is too deep for
// the host: known_dir is used only while the current directory still is that one.
std::optional<DirectoryId> known_id;

std::optional<DirectoryId> identity_of(const struct stat& status)
{
    return DirectoryId{static_cast<std::uint64_t>(status.st_dev),
                       static_cast<std::uint64_t>(status.st_ino)};
}

bool names_drive_c(std::string_view text)
{
    return text[0] == 'C' || text[0] == 'c';
}

bool is_posix_separator(char c)
{
    return c == '/';
}

// Calls visit with each component of a path, in order; empty ones (repeated
// separators) skipped. A path text separates with '\' or '/'; a POSIX path
// with '/' alone, so that a '\' inside one of its names stays in that name.
template <typename Visit>
void for_each_component(std::string_view path, Visit visit, bool (*separates)(char) = is_separator)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !separates(path[end])) {
            ++end;
        }
        if (end > start) {
            visit(path.substr(start, end - start));
        }
        start = end + 1;
    }
}

bool exists(const std::string& path)
{
    struct stat status {};
    return fstatat(AT_FDCWD, path.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

std::string joined(const std::string& parent, std::string_view name)
{
    std::string path = parent;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

// The first entry of directory that equals name case-blind.
std::optional<std::string> find_blind(const std::string& directory, std::string_view name)
{
    DIR* stream = opendir(directory.empty() ? "." : directory.c_str());
    if (stream == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    while (const dirent* entry = readdir(stream)) {
        if (names_equal_blind(name, entry->d_name)) {
            found = entry->d_name;
            break;
        }
    }
    closedir(stream);
    return found;
}

// Whether the text starts at the root, with or without its drive prefix.
bool is_absolute(std::string_view text)
{
    if (has_drive_prefix(text)) {
        text.remove_prefix(2);
    }
    return !text.empty() && is_separator(text.front());
}

} // namespace

std::optional<std::string> posix_path(std::string_view text)
{
    if (has_drive_prefix(text)) {
        if (!names_drive_c(text)) {
            return std::nullopt;
        }
        text.remove_prefix(2);
    }
    std::string path(text);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path.empty() ? std::string(".") : path;
}

std::string resolve_case(const std::string& path)
{
    if (exists(path)) {
        return path;
    }
    std::string resolved = path.starts_with('/') ? "/" : "";
    for_each_component(path, [&resolved](std::string_view part) {
        std::string candidate = joined(resolved, part);
        if (part != "." && part != ".." && !exists(candidate)) {
            if (const auto found = find_blind(resolved, part)) {
                candidate = joined(resolved, *found);
            }
        }
        resolved = std::move(candidate);
    });
    return resolved;
}

std::optional<std::string> host_path(std::string_view text)
{
    auto path = posix_path(text);
    if (!path) {
        return std::nullopt;
    }
    return resolve_case(*path);
}

std::optional<std::string> full_path_text(std::string_view text, std::string_view cwd,
                                          std::size_t limit)
{
    if (text.empty()) {
        return std::nullopt;
    }
    if (has_drive_prefix(text)) {
        if (!names_drive_c(text)) {
            return std::nullopt;
        }
        text.remove_prefix(2);
    }
    // Built in place, without a list of components: a deep current directory
    // has thousands of them.
    std::string full = "C:";
    const auto add = [&full](std::string_view part) {
        if (part == "..") {
            const std::size_t last = full.rfind('\\');
            full.resize(last == std::string::npos ? ROOT_LENGTH : last);
        } else if (part != ".") {
            full += '\\';
            full += part;
        }
    };
    if (text.empty() || !is_separator(text.front())) {
        for_each_component(cwd, add, is_posix_separator);
    }
    for_each_component(text, add);
    if (full.size() == ROOT_LENGTH || (!text.empty() && is_separator(text.back()))) {
        full += '\\';
    }
    if (full.size() > limit) {
        return std::nullopt;
    }
    return full;
}

namespace {

// The kernel's answer alone: the C library's fallback for a deep directory
// reads every directory above it, on every call.
bool host_cwd(std::array<char, CWD_ROOM>& buffer)
{
#ifdef SYS_getcwd
    return syscall(SYS_getcwd, buffer.data(), buffer.size()) > 0 && buffer[0] == '/';
#else
    return getcwd(buffer.data(), buffer.size()) != nullptr;
#endif
}

// A plain name of one component, which extends known_dir by itself.
bool is_one_component(std::string_view path)
{
    return !path.empty() && path != "." && path != ".." && path.find('/') == std::string_view::npos;
}

bool too_deep_for_host()
{
    return known_dir.size() >= CWD_ROOM;
}

void follow_into(std::string_view path)
{
    known_id.reset();
    if (known_dir.empty() || !is_one_component(path)) {
        known_dir.clear(); // the host names it, if it can, when next asked
        return;
    }
    if (known_dir.back() != '/') {
        known_dir += '/';
    }
    known_dir += path;
    if (too_deep_for_host()) {
        known_id = current_dir_id();
    }
}

void follow_to_parent(const struct stat& parent)
{
    known_id.reset();
    const std::size_t last = known_dir.rfind('/');
    if (last != std::string::npos) {
        known_dir.resize(last == 0 ? 1 : last);
    }
    if (too_deep_for_host()) {
        known_id = identity_of(parent);
    }
}

// The current directory for the full form of text; "" when text is absolute.
std::optional<std::string> base_for(const char* text)
{
    // An absolute text needs no current directory: no getcwd per true name.
    return is_absolute(text) ? std::optional<std::string>{""} : current_posix_dir();
}

// A text without ".." only adds to the current directory: when that is past
// the room already, there is no full form to build, however deep it is.
bool past_room(std::string_view text, std::string_view cwd)
{
    return cwd.size() + ROOT_LENGTH > PATH_LIMIT && text.find("..") == std::string_view::npos;
}

} // namespace

std::optional<std::string> current_posix_dir()
{
    // Too deep for the host: the path followed down, while it still leads here.
    if (known_id && current_dir_id() == known_id) {
        return known_dir;
    }
    std::array<char, CWD_ROOM> buffer{};
    if (host_cwd(buffer)) {
        known_dir = buffer.data();
        known_id.reset();
        return known_dir;
    }
    return std::nullopt;
}

const char* full_path(const char* text)
{
    static PathText buffer{};
    if (text == nullptr) {
        return text;
    }
    const auto cwd = base_for(text);
    const auto full = cwd && !past_room(text, *cwd) ? full_path_text(text, *cwd) : std::nullopt;
    if (!full) {
        return text;
    }
    buffer.fill('\0');
    std::memcpy(buffer.data(), full->data(), full->size());
    return buffer.data();
}

void copy_full_path(PathText& destination, const char* text)
{
    destination.fill('\0');
    const char* full = full_path(text);
    if (full != nullptr) {
        std::memcpy(destination.data(), full, strnlen(full, PATH_LIMIT));
    }
}

std::unique_ptr<PathText> get_current_dir()
{
    const auto cwd = current_posix_dir();
    // A '\' inside a name would read back as a separator: another place.
    if (!cwd || cwd->size() + ROOT_LENGTH > PATH_LIMIT || cwd->find('\\') != std::string::npos) {
        return nullptr;
    }
    std::string dos = "C:" + *cwd;
    for (char& c : dos) {
        if (c == '/') {
            c = '\\';
        }
    }
    if (dos.size() > PATH_LIMIT) {
        return nullptr;
    }
    auto result = std::make_unique<PathText>();
    std::memcpy(result->data(), dos.data(), dos.size());
    return result;
}

int set_current_dir(const char* path, PathLookup lookup)
{
    const auto enter = [](const char* posix) {
        if (chdir(posix) != 0) {
            return false;
        }
        follow_into(posix);
        return true;
    };
    if (path == nullptr) {
        return -1;
    }
    if (lookup == PathLookup::AS_TYPED) {
        const auto posix = posix_path(path);
        return posix && enter(posix->c_str()) ? 0 : -1;
    }
    return on_host_path(path, enter) ? 0 : -1;
}

std::optional<DirectoryId> current_dir_id()
{
    struct stat status {};
    return stat(".", &status) == 0 ? identity_of(status) : std::nullopt;
}

std::optional<DirectoryId> enter_subdir(const char* name, const DirectoryId& here)
{
    if (name == nullptr || run_host_hook(HostStep::ENTER_SUBDIR, name) != 0) {
        return std::nullopt;
    }
    // Opened without following a link, checked and entered through the same
    // descriptor, so the directory entered is the one checked. O_PATH needs
    // search permission alone, as changing into a directory does.
    const int child_fd = openat(AT_FDCWD, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (child_fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    const bool entered = fstat(child_fd, &status) == 0 && S_ISDIR(status.st_mode) &&
                         static_cast<std::uint64_t>(status.st_dev) == here.device &&
                         fchdir(child_fd) == 0;
    close(child_fd);
    if (!entered) {
        return std::nullopt;
    }
    follow_into(name);
    return identity_of(status);
}

int enter_parent_dir(const DirectoryId& parent)
{
    if (run_host_hook(HostStep::ENTER_PARENT, "..") != 0) {
        return -1;
    }
    // Opened once, checked and entered through the same descriptor, so the
    // directory entered is the one checked.
    const int parent_fd = open("..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (parent_fd < 0) {
        return -1;
    }
    struct stat status {};
    const bool entered =
        fstat(parent_fd, &status) == 0 && identity_of(status) == parent && fchdir(parent_fd) == 0;
    close(parent_fd);
    if (!entered) {
        return -1;
    }
    follow_to_parent(status);
    return 0;
}

std::optional<std::string> full_path_long(const char* text)
{
    if (text == nullptr) {
        return std::nullopt;
    }
    const auto cwd = base_for(text);
    return cwd ? full_path_text(text, *cwd, std::string::npos) : std::nullopt;
}

int get_drive()
{
    return DRIVE_C;
}

// C: is the only drive, and making it current keeps its directory.
int set_drive(int /*number*/)
{
    return 1;
}
