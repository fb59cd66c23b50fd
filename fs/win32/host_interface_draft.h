// TEMPORARY, until the host seam moves into namespace host: a copy of the
// interface every host layer implements after that change, so that the Win32
// layer compiles on its own. Delete it when fs/fs_services.h takes this form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t PATH_ROOM = 260; // 259 characters and a NUL
using PathText = std::array<char, PATH_ROOM>;

inline constexpr std::uint32_t ATTR_READONLY = 0x01;
inline constexpr std::uint32_t ATTR_HIDDEN = 0x02;
inline constexpr std::uint32_t ATTR_SYSTEM = 0x04;
inline constexpr std::uint32_t ATTR_VOLUME_LABEL = 0x08;
inline constexpr std::uint32_t ATTR_DIRECTORY = 0x10;
inline constexpr std::uint32_t ATTR_ARCHIVE = 0x20;
inline constexpr std::uint32_t ATTR_REPARSE_POINT = 0x400;

using FileTime = std::uint64_t; // 100-ns ticks since 1601-01-01 UTC

inline constexpr std::size_t ALT_NAME_ROOM = 14;

struct FindResult {
    std::uint32_t dwFileAttributes = 0;
    FileTime ftCreationTime = 0;
    FileTime ftLastAccessTime = 0;
    FileTime ftLastWriteTime = 0;
    std::uint32_t nFileSizeHigh = 0;
    std::uint32_t nFileSizeLow = 0;
    std::array<char, PATH_ROOM> cFileName{};
    std::array<char, ALT_NAME_ROOM> cAlternateFileName{}; // empty: no 8.3 alias
};

struct DirectoryId {
    std::uint64_t device = 0;
    std::uint64_t node = 0;

    bool operator==(const DirectoryId&) const = default;
};

enum class PathLookup { ANY_CASE, AS_TYPED };

namespace host {

struct Search;
using SearchHandle = Search*;
inline constexpr SearchHandle INVALID_SEARCH = nullptr;
SearchHandle FindFirstFileA(const char* pattern, FindResult& result);
bool FindNextFileA(SearchHandle search, FindResult& result);
void FindClose(SearchHandle search);
bool search_read_failed();

std::optional<std::string> volume_label(char drive_letter);
std::optional<std::uint64_t> disk_free_bytes(const char* path);

const char* full_path(const char* text);
std::optional<std::string> full_path_long(const char* text);

bool FileTimeToLocalFileTime(const FileTime& time, FileTime& local);
bool FileTimeToDosDateTime(const FileTime& local, std::uint16_t& date, std::uint16_t& time);

std::unique_ptr<PathText> get_current_dir();
int set_current_dir(const char* path, PathLookup lookup = PathLookup::ANY_CASE);
int get_drive();
int set_drive(int number);

std::optional<DirectoryId> current_dir_id();
std::optional<DirectoryId> enter_subdir(const char* name, const DirectoryId& here);
int enter_parent_dir(const DirectoryId& parent);

void note_stack_start(const void* here, char** argv);
bool stack_has_room();

enum class Stream { OUTPUT, ERROR };
inline constexpr int WRITE_READER_GONE = -2;
int write_output(Stream stream, std::string_view text);
bool output_is_terminal();

} // namespace host
