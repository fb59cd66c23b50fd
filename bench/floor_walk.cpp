// The floor the benchmark measures listers against: walk a tree with readdir
// and one fstatat per entry, relative to the open directory, and print
// nothing. Symbolic links are not followed. Each level's directory stays open
// while the levels below it are walked (the descriptor limit here is far
// above the chain's 2,000 levels).
//
//   floor_walk [DIR] [--count]
//
// --count prints the entries walked, DIR itself included (what
// `find DIR | wc -l` counts), so the benchmark can divide by it.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool is_dot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Entries below the directory open on fd; takes ownership of fd.
std::uint64_t walk(int fd)
{
    DIR* directory = fdopendir(fd);
    if (directory == nullptr) {
        close(fd);
        return 0;
    }
    std::uint64_t entries = 0;
    while (const dirent* entry = readdir(directory)) {
        if (is_dot(entry->d_name)) {
            continue;
        }
        struct stat status;
        if (fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        ++entries;
        if (S_ISDIR(status.st_mode)) {
            const int child =
                openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                entries += walk(child);
            }
        }
    }
    closedir(directory);
    return entries;
}

} // namespace

int main(int argc, char** argv)
{
    const char* top = ".";
    bool count = false;
    for (int index = 1; index < argc; ++index) {
        if (std::string_view(argv[index]) == "--count") {
            count = true;
        } else {
            top = argv[index];
        }
    }
    const int fd = open(top, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "floor_walk: %s: %s\n", top, std::strerror(errno));
        return 1;
    }
    const std::uint64_t entries = 1 + walk(fd);
    if (count) {
        std::printf("%llu\n", static_cast<unsigned long long>(entries));
    }
    return 0;
}
