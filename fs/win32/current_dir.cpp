// The current drive and directory on Win32. The host keeps one current
// directory for the process; the current directory of every other drive lives
// in the environment as "=X:" records, which the host reads (SetCurrentDirectory
// of "X:", GetFullPathName of "X:name") but does not write: the layer writes
// the record of a drive each time it changes directory, as the host's runtime
// does. Both are kept and read in UTF-16, which no code page spoils; the
// program is given the narrow form only where it names the directory exactly.
#include "text/case_map.h"
#include "text/fixed_text.h"
#include "fs/win32/win32_host.h"

#include <array>
#include <cstring>

namespace host {

namespace {

// The drive number of a UTF-16 path, as drive_number gives it.
std::optional<int> drive_of_wide(std::wstring_view text)
{
    const auto prefix = narrow_exact(text.substr(0, std::min(text.size(), DRIVE_PREFIX_LENGTH)));
    return prefix ? drive_number(*prefix) : std::nullopt;
}

constexpr std::size_t RECORD_NAME_ROOM = 4; // "=X:" and its NUL
// The longest current directory the host keeps, its trailing separator and
// NUL left out.
constexpr std::size_t CURRENT_DIR_LIMIT = MAX_PATH - 2;
constexpr char DRIVE_SEPARATOR = ':';

std::array<wchar_t, RECORD_NAME_ROOM> record_name(int drive)
{
    return {L'=', static_cast<wchar_t>(L'A' + drive), L':', L'\0'};
}

// The directory recorded for drive, when there is one.
std::optional<std::wstring> read_record(int drive)
{
    const auto name = record_name(drive);
    std::wstring text(MAX_PATH, L'\0');
    const DWORD length =
        ::GetEnvironmentVariableW(name.data(), text.data(), static_cast<DWORD>(text.size()));
    if (length == 0 || length >= text.size()) {
        return std::nullopt;
    }
    text.resize(length);
    return text;
}

// Makes path current and records it; false, and nothing changed, on failure.
bool enter(const std::wstring& path)
{
    if (!may_be_current(path) || ::SetCurrentDirectoryW(path.c_str()) == 0) {
        return false;
    }
    left_current_dir();
    record_current_dir();
    return true;
}

std::wstring root_wide(int drive)
{
    return {static_cast<wchar_t>(L'A' + drive), L':', L'\\'};
}

} // namespace

std::array<char, 4> root_of(int drive)
{
    return {static_cast<char>('A' + drive), DRIVE_SEPARATOR, '\\', '\0'};
}



bool may_be_current(const std::wstring& path)
{
    const auto full = full_path_of_wide(path);
    if (!full || full->empty()) {
        return false;
    }
    const std::size_t separator = full->back() == L'\\' ? 1 : 0;
    return full->size() - separator <= CURRENT_DIR_LIMIT;
}

std::wstring current_dir_wide()
{
    std::wstring text(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(text.size()), text.data());
        if (length == 0) {
            return {};
        }
        if (length < text.size()) {
            text.resize(length);
            return text;
        }
        text.assign(length, L'\0'); // the room it needs, its NUL included
    }
}

void record_current_dir()
{
    const std::wstring current = current_dir_wide();
    if (const auto drive = drive_of_wide(current)) { // none for a UNC directory
        ::SetEnvironmentVariableW(record_name(*drive).data(), current.c_str());
    }
}

std::unique_ptr<PathText> get_current_dir()
{
    const auto narrow = narrow_path(current_dir_wide());
    if (!narrow || narrow->empty() || narrow->size() >= PATH_ROOM) {
        return nullptr;
    }
    auto current = std::make_unique<PathText>();
    copy_terminated(*current, *narrow);
    return current;
}

// The host looks a path up case-blind whatever lookup asks.
int set_current_dir(const char* path, PathLookup /*lookup*/)
{
    const auto wide = path != nullptr ? wide_of(path) : std::nullopt;
    return wide && !wide->empty() && enter(*wide) ? 0 : -1;
}

int get_drive()
{
    return drive_of_wide(current_dir_wide()).value_or(-1); // -1: a UNC directory has no drive
}

int set_drive(int number)
{
    if (number >= 0 && number < DRIVE_COUNT && number != get_drive()) {
        record_current_dir(); // the drive left keeps its directory
        const auto recorded = read_record(number);
        if (!recorded || !enter(*recorded)) {
            enter(root_wide(number));
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
