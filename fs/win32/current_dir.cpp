// The current drive and directory on Win32. The host keeps one current
// directory for the process; the current directory of every other drive lives
// in the environment as "=X:" records, which the host reads (SetCurrentDirectoryA
// of "X:", GetFullPathNameA of "X:name") but does not write: the layer writes
// the record of a drive each time it changes directory, as the host's runtime
// does.
#include "fs/host_text.h"
#include "fs/win32/win32_host.h"

#include <array>
#include <cstring>

namespace host {

namespace {

constexpr std::size_t RECORD_NAME_ROOM = 4; // "=X:" and its NUL
// The longest current directory the host keeps, its trailing separator and
// NUL left out.
constexpr std::size_t CURRENT_DIR_LIMIT = MAX_PATH - 2;
constexpr char DRIVE_SEPARATOR = ':';
// Never in a Windows name: the ANSI interface writes it for a character the
// code page cannot hold, so a text with one cannot be read back as the same place.
constexpr char UNMAPPED_CHARACTER = '?';

std::array<char, RECORD_NAME_ROOM> record_name(int drive)
{
    return {'=', static_cast<char>('A' + drive), DRIVE_SEPARATOR, '\0'};
}

// The current directory as the host gives it; false when it does not fit.
bool read_current_dir(PathText& text)
{
    const DWORD length = ::GetCurrentDirectoryA(static_cast<DWORD>(text.size()), text.data());
    return length != 0 && length < text.size();
}

// The directory recorded for drive, when there is one that fits.
bool read_record(int drive, PathText& text)
{
    const auto name = record_name(drive);
    const DWORD length =
        ::GetEnvironmentVariableA(name.data(), text.data(), static_cast<DWORD>(text.size()));
    return length != 0 && length < text.size();
}

// Makes path current and records it; false, and nothing changed, on failure.
bool enter(const char* path)
{
    if (!may_be_current(path) || ::SetCurrentDirectoryA(path) == 0) {
        return false;
    }
    record_current_dir();
    return true;
}

} // namespace

std::array<char, 4> root_of(int drive)
{
    return {static_cast<char>('A' + drive), DRIVE_SEPARATOR, '\\', '\0'};
}

std::optional<int> drive_of(const char* text)
{
    if (text == nullptr || !has_drive_prefix(bounded_text(text, DRIVE_PREFIX_LENGTH))) {
        return std::nullopt;
    }
    const char letter = to_upper_case(text[0]);
    if (letter < 'A' || letter > 'Z') {
        return std::nullopt;
    }
    return letter - 'A';
}

bool may_be_current(const char* path)
{
    const auto full = full_path_wide(path);
    if (!full || full->empty()) {
        return false;
    }
    const std::size_t separator = full->back() == L'\\' ? 1 : 0;
    return full->size() - separator <= CURRENT_DIR_LIMIT;
}

void record_current_dir()
{
    PathText current{};
    if (!read_current_dir(current)) {
        return;
    }
    if (const auto drive = drive_of(current.data())) {
        ::SetEnvironmentVariableA(record_name(*drive).data(), current.data());
    }
}

std::unique_ptr<PathText> get_current_dir()
{
    auto current = std::make_unique<PathText>();
    if (!read_current_dir(*current) ||
        std::memchr(current->data(), UNMAPPED_CHARACTER, current->size()) != nullptr) {
        return nullptr;
    }
    return current;
}

// The host looks a path up case-blind whatever lookup asks.
int set_current_dir(const char* path, PathLookup /*lookup*/)
{
    return path != nullptr && enter(path) ? 0 : -1;
}

int get_drive()
{
    PathText current{};
    if (!read_current_dir(current)) {
        return -1;
    }
    return drive_of(current.data()).value_or(-1); // -1: a UNC directory has no drive
}

int set_drive(int number)
{
    if (number >= 0 && number < DRIVE_COUNT && number != get_drive()) {
        record_current_dir(); // the drive left keeps its directory
        PathText recorded{};
        if (!read_record(number, recorded) || !enter(recorded.data())) {
            enter(root_of(number).data());
        }
    }
    int present = 0;
    for (int drive = 0; drive < DRIVE_COUNT; ++drive) {
        if (::GetDriveTypeA(root_of(drive).data()) != DRIVE_NO_ROOT_DIR) {
            ++present;
        }
    }
    return present;
}

} // namespace host
