// The volume of a drive on Win32: its label, read with GetVolumeInformationW
// once per drive and run (every section header of a walk shows it, '?' for
// what the code page cannot hold), and the
// free bytes under a path, with GetDiskFreeSpaceExW (a path past 259
// characters has no ANSI form).
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
    const std::array<wchar_t, 4> wide_root{static_cast<wchar_t>(root[0]), L':', L'\\', L'\0'};
    std::array<wchar_t, LABEL_ROOM> label{};
    if (::GetVolumeInformationW(wide_root.data(), label.data(), static_cast<DWORD>(label.size()),
                                nullptr, nullptr, nullptr, nullptr, 0) == 0) {
        return std::nullopt;
    }
    label.back() = L'\0';
    return narrow_shown(label.data());
}

// The text up to and with its last separator: the directory a path is in.
std::wstring directory_of(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

// The directory above a directory text ending in a separator; empty at a root.
std::wstring parent_of(const std::wstring& directory)
{
    if (directory.size() < 2) {
        return {};
    }
    return directory_of(directory.substr(0, directory.size() - 1));
}

} // namespace

std::optional<std::string> volume_label(int drive)
{
    static std::array<KnownLabel, DRIVE_COUNT> known{};
    if (drive < 0 || drive >= DRIVE_COUNT) {
        return std::nullopt;
    }
    KnownLabel& entry = known[static_cast<std::size_t>(drive)];
    if (!entry.asked) {
        entry.label = read_label(drive);
        entry.asked = true;
    }
    return entry.label;
}

// The host answers for a directory only: a file, a pattern or a directory
// that has gone is asked about through the nearest directory above it.
std::optional<std::uint64_t> disk_free_bytes(const char* path)
{
    const auto full = full_path_wide(path);
    if (!full || full->empty()) {
        return std::nullopt;
    }
    // A path ending in a separator names a directory; anything else names an
    // entry of the directory it is in.
    std::wstring directory = full->back() == L'\\' ? *full : directory_of(*full);
    for (; !directory.empty(); directory = parent_of(directory)) {
        ULARGE_INTEGER available{};
        ULARGE_INTEGER total{};
        ULARGE_INTEGER free_bytes{};
        if (::GetDiskFreeSpaceExW(directory.c_str(), &available, &total, &free_bytes) != 0) {
            return free_bytes.QuadPart;
        }
    }
    return std::nullopt;
}

} // namespace host
