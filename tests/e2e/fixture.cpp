// End-to-end fixtures: temporary trees with the sizes, times and modes a
// table of rows needs, removed with everything in them afterwards.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "tests/e2e/harness.h"

namespace e2e {
namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::time_t to_time(Stamp s)
{
    std::tm tm{};
    tm.tm_year = s.year - 1900;
    tm.tm_mon = s.month - 1;
    tm.tm_mday = s.day;
    tm.tm_hour = s.hour;
    tm.tm_min = s.minute;
    tm.tm_sec = s.second;
    return timegm(&tm);
}

Fixture::Fixture()
{
    std::string pattern = "/tmp/wendex-e2e-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        fail("mkdtemp");
    std::array<char, PATH_MAX> resolved{};
    if (realpath(pattern.c_str(), resolved.data()) == nullptr)
        fail("realpath");
    root_ = resolved.data();
}

Fixture::Fixture(void (*build)(Fixture& tree)) : Fixture()
{
    build(*this);
    seal();
}

Fixture::~Fixture()
{
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(root_, ec);
}

std::string Fixture::path(std::string_view rel) const
{
    return rel.empty() ? root_ : root_ + "/" + std::string(rel);
}

void Fixture::set_mtime(std::string_view rel, Stamp mtime) const
{
    const std::timespec times[2] = {{to_time(mtime), 0}, {to_time(mtime), 0}};
    if (utimensat(AT_FDCWD, path(rel).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        fail("utimensat " + path(rel));
}

void Fixture::file(std::string_view rel, std::uint64_t size, Stamp mtime, mode_t mode)
{
    const int fd = open(path(rel).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        fail("open " + path(rel));
    const bool sized = ftruncate(fd, static_cast<off_t>(size)) == 0;
    close(fd);
    if (!sized)
        fail("ftruncate " + path(rel));
    set_mtime(rel, mtime);
    if (chmod(path(rel).c_str(), mode) != 0)
        fail("chmod " + path(rel));
}

void Fixture::fifo(std::string_view rel, Stamp mtime)
{
    if (mkfifo(path(rel).c_str(), 0644) != 0)
        fail("mkfifo " + path(rel));
    set_mtime(rel, mtime);
}

void Fixture::dir(std::string_view rel, Stamp mtime)
{
    if (mkdir(path(rel).c_str(), 0755) != 0)
        fail("mkdir " + path(rel));
    dir_times_.emplace_back(rel, mtime);
}

void Fixture::seal()
{
    // Later directories may lie inside earlier ones; set the inner ones first.
    for (auto it = dir_times_.rbegin(); it != dir_times_.rend(); ++it)
        set_mtime(it->first, it->second);
}

namespace {

std::vector<std::string> in_search_order(const std::string& dir, bool subdirs_only)
{
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> stream(opendir(dir.c_str()), closedir);
    while (const dirent* entry = stream ? readdir(stream.get()) : nullptr) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && (!subdirs_only || entry->d_type == DT_DIR))
            names.push_back(name);
    }
    to_search_order(names);
    return names;
}

} // namespace

std::vector<std::string> entries_in_search_order(const std::string& dir)
{
    std::vector<std::string> names = in_search_order(dir, false);
    for (auto& name : names) {
        struct stat info {};
        if (stat((dir + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            name = "[" + name + "]";
    }
    return names;
}

std::vector<std::string> subdirs_in_search_order(const std::string& dir)
{
    return in_search_order(dir, true);
}

} // namespace e2e
