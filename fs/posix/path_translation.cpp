// Path texts of drive C: on a POSIX host: their POSIX form, the case-blind
// lookup of components that do not exist as typed, and full paths built from
// the text alone against a current directory.
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

#include "fs/posix/posix_host.h"

namespace {

bool names_drive_c(std::string_view text)
{
    return text[0] == 'C' || text[0] == 'c';
}

// Which characters separate the components of a path.
enum class Separators { PATH_TEXT, POSIX };

// Where the component that starts at `start` ends: at its separator, or at
// the end of the path. A path text separates with '\' or '/'; a POSIX path
// with '/' alone, so that a '\' inside one of its names stays in that name.
std::size_t component_end(std::string_view path, std::size_t start, Separators separators)
{
    if (separators == Separators::POSIX) {
        // One search, not a test per character: a deep directory's path is long.
        return std::min(path.find('/', start), path.size());
    }
    std::size_t end = start;
    while (end < path.size() && !is_separator(path[end])) {
        ++end;
    }
    return end;
}

// Calls visit with each component of a path, in order; empty ones (repeated
// separators) skipped.
template <typename Visit>
void for_each_component(std::string_view path, Visit visit,
                        Separators separators = Separators::PATH_TEXT)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = component_end(path, start, separators);
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
std::optional<std::string> find_any_case(const std::string& directory, std::string_view name)
{
    const DirStream stream(opendir(directory.empty() ? "." : directory.c_str()));
    if (stream == nullptr) {
        return std::nullopt;
    }
    while (const dirent* entry = readdir(stream.get())) {
        if (names_equal_blind(name, entry->d_name)) {
            return entry->d_name;
        }
    }
    return std::nullopt;
}

} // namespace

bool is_relative_to_start(std::string_view posix_dir)
{
    return posix_dir.starts_with('.');
}

std::optional<std::string> posix_form(std::string_view text)
{
    if (has_drive_prefix(text)) {
        if (!names_drive_c(text)) {
            return std::nullopt;
        }
        text.remove_prefix(DRIVE_PREFIX_LENGTH);
    }
    std::string path(text);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path.empty() ? std::string(".") : path;
}

std::string resolve_any_case(const std::string& path)
{
    if (exists(path)) {
        return path;
    }
    std::string resolved = path.starts_with('/') ? "/" : "";
    for_each_component(path, [&resolved](std::string_view part) {
        std::string candidate = joined(resolved, part);
        if (!is_dot_entry(part) && !exists(candidate)) {
            if (const auto found = find_any_case(resolved, part)) {
                candidate = joined(resolved, *found);
            }
        }
        resolved = std::move(candidate);
    });
    return resolved;
}

std::optional<std::string> posix_form_any_case(std::string_view text)
{
    auto path = posix_form(text);
    if (!path) {
        return std::nullopt;
    }
    return resolve_any_case(*path);
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
        text.remove_prefix(DRIVE_PREFIX_LENGTH);
    }
    // Built in place, without a list of components: a deep current directory
    // has thousands of them. Against a directory known only from where the
    // run started, the form is relative to that: ".\sub\*.txt".
    const bool absolute = !text.empty() && is_separator(text.front());
    std::string full = absolute || !is_relative_to_start(cwd) ? "C:" : ".";
    // Room for every component at once: the path never grows past it.
    full.reserve(full.size() + cwd.size() + text.size() + 2);
    const std::size_t base = full.size();
    bool above_base = false; // a relative form cannot name what is above the start
    const auto add = [&full, base, &above_base](std::string_view part) {
        if (part == "..") {
            const std::size_t last = full.rfind('\\');
            above_base = above_base || (base != DRIVE_PREFIX_LENGTH && full.size() == base);
            full.resize(last == std::string::npos || last < base ? base : last);
        } else if (part != ".") {
            full += '\\';
            full += part;
        }
    };
    if (!absolute) {
        for_each_component(cwd, add, Separators::POSIX);
    }
    for_each_component(text, add);
    if (full.size() == base || (!text.empty() && is_separator(text.back()))) {
        full += '\\';
    }
    if (above_base || full.size() > limit) {
        return std::nullopt;
    }
    return full;
}
