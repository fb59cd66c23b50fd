// The volume of a drive on Win32: its label, read with GetVolumeInformationA
// once per drive and run (every section header of a walk shows it), and the
// free bytes under a path, with GetDiskFreeSpaceExA.
#include "fs/win32/win32_host.h"

#include <array>
#include <string>

namespace host {

namespace {

constexpr std::size_t LABEL_ROOM = MAX_PATH + 1; // the host's limit for the label text

struct KnownLabel {
    bool asked = false;
    std::optional<std::string> label;
};

std::optional<std::string> read_label(int drive)
{
    const auto root = root_of(drive);
    std::array<char, LABEL_ROOM> label{};
    if (::GetVolumeInformationA(root.data(), label.data(), static_cast<DWORD>(label.size()),
                                nullptr, nullptr, nullptr, nullptr, 0) == 0) {
        return std::nullopt;
    }
    label.back() = '\0';
    return std::string(label.data());
}

// The text up to and with its last separator: the directory a path is in.
std::string directory_of(const std::string& path)
{
    const std::size_t separator = find_last_separator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// The directory above a directory text ending in a separator; empty at a root.
std::string parent_of(const std::string& directory)
{
    if (directory.size() < 2) {
        return {};
    }
    return directory_of(directory.substr(0, directory.size() - 1));
}

} // namespace

std::optional<std::string> volume_label(char drive_letter)
{
    static std::array<KnownLabel, DRIVE_COUNT> known{};
    const std::array<char, 3> prefix{drive_letter, ':', '\0'};
    const auto drive = drive_of(prefix.data());
    if (!drive) {
        return std::nullopt;
    }
    KnownLabel& entry = known[static_cast<std::size_t>(*drive)];
    if (!entry.asked) {
        entry.label = read_label(*drive);
        entry.asked = true;
    }
    return entry.label;
}

// The host answers for a directory only: a file, a pattern or a directory
// that has gone is asked about through the nearest directory above it. A
// search handle tells nothing of the volume, so a running search is no help.
std::optional<std::uint64_t> disk_free_bytes(const char* path, SearchHandle /*open_search*/)
{
    const auto full = path != nullptr ? full_path_long(path) : std::nullopt;
    if (!full) {
        return std::nullopt;
    }
    // A path ending in a separator names a directory; anything else names an
    // entry of the directory it is in.
    std::string directory =
        find_last_separator(*full) + 1 == full->size() ? *full : directory_of(*full);
    for (; !directory.empty(); directory = parent_of(directory)) {
        ULARGE_INTEGER available{};
        ULARGE_INTEGER total{};
        ULARGE_INTEGER free_bytes{};
        if (::GetDiskFreeSpaceExA(directory.c_str(), &available, &total, &free_bytes) != 0) {
            return free_bytes.QuadPart;
        }
    }
    return std::nullopt;
}

} // namespace host
