// Internals of the Win32 host layer, shared by fs/win32/*.cpp: <windows.h>
// itself, included here and nowhere above fs/, and the few helpers more than
// one file of the layer needs.
#pragma once

#include <array>

#include "fs/fs_services.h"

#include "text/name_match.h"

// Only the kernel part of the interface: no GDI (whose ERROR macro breaks any
// name ERROR), no min/max macros over std::min/std::max.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOGDI
#define NOGDI
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace host {

inline constexpr int DRIVE_COUNT = 26; // A: .. Z:

inline FileTime file_time(const FILETIME& time)
{
    return static_cast<FileTime>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

inline FILETIME to_filetime(FileTime time)
{
    FILETIME result{};
    result.dwLowDateTime = static_cast<DWORD>(time & 0xFFFF'FFFF);
    result.dwHighDateTime = static_cast<DWORD>(time >> 32);
    return result;
}

// The root of drive number (0 for A): "X:\".
std::array<char, 4> root_of(int drive);

// The full form of a text in UTF-16, however long; nothing when it has none.
std::optional<std::wstring> full_path_wide(const char* text);
std::optional<std::wstring> full_path_of_wide(const std::wstring& text);

// The current directory in full, however long; empty when the host fails.
std::wstring current_dir_wide();

// --- Names (names.cpp) ---------------------------------------------------------
// A text of the program's code page in UTF-16; nothing when it has no such form.
std::optional<std::wstring> wide_of(std::string_view text);
// A host name in the program's code page, exactly: nothing when a character
// has no exact form there (the host's "best fit" look-alike is never taken).
std::optional<std::string> narrow_exact(std::wstring_view text);
// A host name as the listing shows it: '?' for what the code page cannot hold.
std::string narrow_shown(std::wstring_view text);
// A full path in the program's code page: exact, or with each component the
// code page cannot hold written as its 8.3 alias; nothing when a component
// has neither, so that no narrow text names it.
std::optional<std::string> narrow_path(const std::wstring& path);
// A host name as the layer's own text, which the walk hands back to it
// whole (any UTF-16 unit, a lone surrogate too); and back again.
std::string host_key_of(std::wstring_view name);
std::optional<std::wstring> name_of_host_key(std::string_view key);

// Whether the host keeps path as a current directory: its full form, with the
// separator the host adds and a NUL, fits MAX_PATH. Windows refuses a longer
// one to a program that is not long-path aware; Wine takes it and overwrites
// its own process data past the room it keeps for it.
bool may_be_current(const std::wstring& path);

// The host's search of a pattern of the program's code page: FindFirstFileW
// of its UTF-16 form; the invalid handle when it has none.
HANDLE find_first_wide(std::string_view pattern, WIN32_FIND_DATAW& found);

// --- The current directory's subdirectories (subdirectories.cpp) ------------------
// A found entry's long name and alias in UTF-16, and its long name as the
// listing shows it.
std::wstring_view long_name_of(const WIN32_FIND_DATAW& found);
std::wstring_view alias_of(const WIN32_FIND_DATAW& found);
std::string shown_name(const WIN32_FIND_DATAW& found);
// Adds the found entry to subdirectories when it is a directory ("." and
// ".." aside; a junction too, with its reparse-point bit).
void note_subdirectory(const WIN32_FIND_DATAW& found, std::vector<Subdirectory>& subdirectories);
// The subdirectories a search of the whole current directory found, kept for
// host::subdirectories until the current directory changes.
void keep_subdirectories(std::vector<Subdirectory> found);
// The current directory changes: what was kept of the one left goes.
void left_current_dir();

// Writes the current directory into its drive's "=X:" record, as the host's
// runtime does on every change of directory; a directory without a drive
// letter (a UNC path) has no record.
void record_current_dir();

} // namespace host
