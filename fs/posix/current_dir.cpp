// The current drive and directory on a POSIX host, and full paths against
// them. C: is the one drive. The layer keeps the path it followed down from
// the host's last answer, so that a directory the host cannot name (past
// 4,096 characters, removed, or a query that fails) still has a full form;
// where the host never named the directory the run started in, the path is
// followed from that directory, and the forms are relative to it.
#include "fs/posix/posix_host.h"
#include "fs/host_hooks.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// The current POSIX directory. Where the host cannot name it (too deep for
// it, or its query fails), the path the layer followed down to it: from the
// host's last answer, or, when the host never named the directory the run
// started in, from that directory (is_relative_to_start). Nothing when
// neither is known.
std::optional<std::string> current_posix_dir();

namespace {

// Room for the host's own answer; deeper directories are named by the
// followed path.
constexpr std::size_t CWD_ROOM = 4096;

// The current directory as the layer last knew it: set from every answer of
// the host, extended by each change into a subdirectory by name and cut by
// each checked return to the parent; "." and the names followed from it when
// the host could not name the directory the run started in. Empty when
// unknown.
std::string followed_path;
// The start of the run's own path, where the host cannot name it.
constexpr std::string_view RUN_START = ".";
// The identity of the directory followed_path names, kept while it is too
// deep for the host: the path is used only while the current directory
// still is that one.
std::optional<DirectoryId> followed_path_id;
// How followed_path came to be. Once the host's own answer has been extended
// by the walk's checked steps (down by a name that is no link, back up to
// the directory the step came from), it names the current directory, and
// the host is not asked again for every directory of a walk.
enum class Followed { UNCHECKED, HOST_ANSWER, STEPS_FROM_HOST };
Followed followed = Followed::UNCHECKED;

bool host_cwd(std::array<char, CWD_ROOM>& buffer)
{
    if (const int error = run_host_hook(HostStep::CURRENT_DIR, ""); error != 0) {
        errno = error;
        return false;
    }
    return ask_current_dir(buffer);
}

// A path that goes down from where it starts, by names alone: it extends
// the followed path by itself.
bool goes_only_down(std::string_view path)
{
    bool has_name = false;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            return false;
        }
        has_name = has_name || (!part.empty() && part != ".");
        start = end + 1;
    }
    return has_name && !path.starts_with('/');
}

bool too_deep_for_host()
{
    return followed_path.size() >= CWD_ROOM;
}

// Whether the text starts at the root, with or without its drive prefix.
bool is_absolute(std::string_view text)
{
    if (has_drive_prefix(text)) {
        text.remove_prefix(DRIVE_PREFIX_LENGTH);
    }
    return !text.empty() && is_separator(text.front());
}

// The current directory to make text's full form against; "" when text is
// absolute, which needs none (so true names ask the host nothing).
std::optional<std::string> directory_for_full_path(const char* text)
{
    return is_absolute(text) ? std::optional<std::string>{""} : current_posix_dir();
}

// A text without ".." only adds to the current directory: when that is past
// the room already, there is no full form to build, however deep it is.
bool beyond_path_room(std::string_view text, std::string_view cwd)
{
    return cwd.size() + DRIVE_PREFIX_LENGTH > PATH_LIMIT &&
           text.find("..") == std::string_view::npos;
}

} // namespace

void follow_into(std::string_view path)
{
    followed = Followed::UNCHECKED;
    followed_path_id.reset();
    if (followed_path.empty() || !goes_only_down(path)) {
        followed_path.clear(); // the host names it, if it can, when next asked
        return;
    }
    if (followed_path.back() != '/') {
        followed_path += '/';
    }
    followed_path += path;
    while (followed_path.ends_with('/')) {
        followed_path.pop_back();
    }
    if (too_deep_for_host()) {
        followed_path_id = host::current_dir_id();
    }
}

void follow_step_into(std::string_view name)
{
    const bool from_host = followed != Followed::UNCHECKED;
    follow_into(name);
    if (from_host && !followed_path.empty() && !too_deep_for_host()) {
        followed = Followed::STEPS_FROM_HOST;
    }
}

void follow_to_parent(const DirectoryId& arrived, bool as_expected)
{
    if (!as_expected) {
        followed = Followed::UNCHECKED;
    }
    followed_path_id.reset();
    const std::size_t last = followed_path.rfind('/');
    if (last != std::string::npos) {
        followed_path.resize(last == 0 ? 1 : last);
    }
    if (too_deep_for_host()) {
        followed = Followed::UNCHECKED;
        followed_path_id = arrived;
    }
}

// The C library's own answer, which climbs through the parents when the
// kernel's room is too small: asked once, where no followed path is known.
std::optional<std::string> climbed_cwd()
{
    const std::unique_ptr<char, decltype(&std::free)> path(getcwd(nullptr, 0), &std::free);
    if (path == nullptr || path.get()[0] != '/') {
        return std::nullopt;
    }
    return std::string(path.get());
}

std::optional<std::string> current_posix_dir()
{
    static bool asked = false;
    const bool at_start = !std::exchange(asked, true);
    if (followed == Followed::STEPS_FROM_HOST) {
        return followed_path;
    }
    // Too deep for the host: the path followed down, while it still leads here.
    if (followed_path_id && host::current_dir_id() == followed_path_id) {
        return followed_path;
    }
    std::array<char, CWD_ROOM> buffer{};
    if (host_cwd(buffer)) {
        followed_path = buffer.data();
        followed_path_id.reset();
        followed = Followed::HOST_ANSWER;
        return followed_path;
    }
    // Started (or moved) deeper than the host can name: the path climbed once,
    // then followed down as the walk goes.
    if (errno == ENAMETOOLONG) {
        if (auto climbed = climbed_cwd()) {
            followed_path = std::move(*climbed);
            followed_path_id = host::current_dir_id();
            if (followed_path_id) {
                return followed_path;
            }
        }
    }
    // The host cannot name it (gone, or the query refused): the path followed
    // to it, which names it as the walk reached it.
    if (at_start) {
        followed_path = RUN_START;
    }
    if (followed_path.empty()) {
        return std::nullopt;
    }
    return followed_path;
}

bool names_current_dir(std::string_view path)
{
    const auto posix = posix_form(path);
    if (!posix || followed_path.empty()) {
        return false;
    }
    std::string_view directory = *posix;
    while (directory.size() > 1 && directory.back() == '/') {
        directory.remove_suffix(1);
    }
    return directory == followed_path;
}

namespace host {

const char* full_path(const char* text)
{
    static PathText buffer{};
    if (text == nullptr) {
        return text;
    }
    const auto cwd = directory_for_full_path(text);
    const auto full =
        cwd && !beyond_path_room(text, *cwd) ? full_path_text(text, *cwd) : std::nullopt;
    if (!full) {
        return text;
    }
    copy_with_terminator(buffer, *full);
    return buffer.data();
}

// Every name of a POSIX host is its own bytes: the form shown is the full form.
std::optional<std::string> full_path_shown(const char* text)
{
    return full_path_long(text);
}

std::optional<std::string> full_path_long(const char* text)
{
    if (text == nullptr) {
        return std::nullopt;
    }
    const auto cwd = directory_for_full_path(text);
    return cwd ? full_path_text(text, *cwd, std::string::npos) : std::nullopt;
}

std::unique_ptr<PathText> get_current_dir()
{
    const auto cwd = current_posix_dir();
    // A '\' inside a name would read back as a separator: another place.
    if (!cwd || is_relative_to_start(*cwd) || cwd->size() + DRIVE_PREFIX_LENGTH > PATH_LIMIT ||
        cwd->find('\\') != std::string::npos) {
        return nullptr;
    }
    std::string dos = "C:" + *cwd;
    for (char& c : dos) {
        if (c == '/') {
            c = '\\';
        }
    }
    auto result = std::make_unique<PathText>();
    copy_terminated(*result, dos);
    return result;
}

int set_current_dir(const char* path, PathLookup lookup)
{
    const auto enter = [](const char* posix) {
        if (chdir(posix) != 0) {
            return false;
        }
        left_current_dir();
        follow_into(posix);
        return true;
    };
    if (path == nullptr) {
        return -1;
    }
    if (lookup == PathLookup::AS_TYPED) {
        const auto posix = posix_form(path);
        return posix && enter(posix->c_str()) ? 0 : -1;
    }
    return try_as_typed_then_any_case(path, enter) ? 0 : -1;
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

} // namespace host
