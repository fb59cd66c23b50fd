// Splitting paths into drive, directory, name and extension, and joining the
// parts again, checked over tables of paths.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "fs/path_split.h"
#include "tests/unit/code_pages.h"

namespace {

constexpr std::size_t JOIN_ROOM = 600; // more than any join below needs

struct SplitRow {
    const char* path;
    unsigned flags;
    const char* drive;
    const char* directory;
    const char* name;
    const char* extension;
    Page page = Page::SINGLE;
};

constexpr SplitRow SPLIT_ROWS[] = {
    {"", 0x00, "", "", "", ""},
    {"*", 0x05, "", "", "*", ""},
    {"*.*", 0x07, "", "", "*", ".*"},
    {"name.txt", 0x06, "", "", "name", ".txt"},
    {"name.", 0x06, "", "", "name", "."},
    {"a.b.c", 0x06, "", "", "a.b", ".c"},
    {".profile", 0x02, "", "", "", ".profile"},
    {".", 0x08, "", ".", "", ""},
    {"..", 0x08, "", "..", "", ""},
    {"dir\\..", 0x08, "", "dir\\..", "", ""},
    {"C:", 0x10, "C:", "", "", ""},
    {"C:\\", 0x18, "C:", "\\", "", ""},
    {"C:name.txt", 0x16, "C:", "", "name", ".txt"},
    {"C:\\WORK\\", 0x18, "C:", "\\WORK\\", "", ""},
    {"C:\\WORK\\*.txt", 0x1F, "C:", "\\WORK\\", "*", ".txt"},
    {"C:\\WORK\\..", 0x18, "C:", "\\WORK\\..", "", ""},
    {"\\name", 0x0C, "", "\\", "name", ""},
    {"work\\sub\\f?.c", 0x0F, "", "work\\sub\\", "f?", ".c"},
    {"c:/work/file.txt", 0x1E, "c:", "/work/", "file", ".txt"},
    {"\\\\server\\share\\x.y", 0x0E, "", "\\\\server\\share\\", "x", ".y"},
    // Dot components, mixed separators, wildcards outside the name.
    {"x..", 0x06, "", "", "x.", "."},
    {"dir\\.", 0x08, "", "dir\\.", "", ""},
    {"C:..", 0x18, "C:", "..", "", ""},
    {"a\\...c", 0x0A, "", "a\\..", "", ".c"},
    {"a/b\\c", 0x0C, "", "a/b\\", "c", ""},
    {"W*\\x", 0x0C, "", "W*\\", "x", ""},
    {"f.t?t", 0x07, "", "", "f", ".t?t"},
    {"1:x", 0x14, "1:", "", "x", ""},
    // A trail byte 0x5C of a double-byte character is no separator.
    {"\x95\x5C.txt", 0x0A, "", "\x95\x5C", "", ".txt"},
    {"\x95\x5C.txt", 0x06, "", "", "\x95\x5C", ".txt", Page::DBCS},
    {"\x95\x5C.", 0x06, "", "", "\x95\x5C", ".", Page::DBCS},
    {"C:\\\x83\x5C\\\x95\x5C", 0x1C, "C:", "\\\x83\x5C\\", "\x95\x5C", "", Page::DBCS},
    {"Привет\\мир.doc", 0x0E, "", "Привет\\", "мир", ".doc", Page::UTF8},
};

std::string text(const auto& part)
{
    return part.data();
}

// A directory ending in "." or ".." gains a separator when the parts are joined.
bool ends_in_dot_component(const SplitRow& row)
{
    const std::string directory = row.directory;
    return !directory.empty() && directory.back() == '.';
}

// What joining the row's parts gives: its path, with the separator that a
// dot component gains. Built by appending: g++ 12 at -O3 reports a false
// -Wrestrict overlap for std::string::insert here.
std::string joined_path(const SplitRow& row)
{
    const std::string_view path = row.path;
    if (!ends_in_dot_component(row)) {
        return std::string(path);
    }
    const std::size_t directory_end =
        std::string_view(row.drive).size() + std::string_view(row.directory).size();
    std::string joined(path.substr(0, directory_end));
    joined += '\\';
    joined += path.substr(directory_end);
    return joined;
}

TEST(SplitPath, SplitsEveryRowIntoItsParts)
{
    for (const SplitRow& row : SPLIT_ROWS) {
        SCOPED_TRACE(row.path);
        const UsingPage page(row.page);
        DriveText drive;
        PartText directory, name, extension;
        drive.fill('#');
        EXPECT_EQ(split_path(row.path, &drive, &directory, &name, &extension), row.flags);
        EXPECT_EQ(text(drive), row.drive);
        EXPECT_EQ(text(directory), row.directory);
        EXPECT_EQ(text(name), row.name);
        EXPECT_EQ(text(extension), row.extension);
        EXPECT_EQ(split_path(row.path, nullptr, nullptr, nullptr, nullptr), row.flags);
    }
}

TEST(SplitPath, LocatesTheUncutOffsetsOfEveryRow)
{
    for (const SplitRow& row : SPLIT_ROWS) {
        SCOPED_TRACE(row.path);
        const UsingPage page(row.page);
        const PathLayout layout = locate_path_parts(row.path);
        EXPECT_EQ(layout.flags, row.flags);
        EXPECT_EQ(layout.drive_end, std::string(row.drive).size());
        EXPECT_EQ(layout.name_start, layout.drive_end + std::string(row.directory).size());
        EXPECT_EQ(layout.ext_start, layout.name_start + std::string(row.name).size());
        EXPECT_EQ(layout.end, std::string(row.path).size());
        const PatternParts parts = split_pattern(row.path, NameStart::PATH_PARTS);
        EXPECT_EQ(parts.directory.size(), layout.name_start);
        EXPECT_EQ(parts.name.size(), layout.end - layout.name_start);
    }
}

TEST(SplitPath, JoiningThePartsGivesThePathBack)
{
    for (const SplitRow& row : SPLIT_ROWS) {
        SCOPED_TRACE(row.path);
        const UsingPage page(row.page);
        DriveText drive;
        PartText directory, name, extension;
        split_path(row.path, &drive, &directory, &name, &extension);
        std::array<char, JOIN_ROOM> joined;
        merge_path(joined, drive.data(), directory.data(), name.data(), extension.data());
        EXPECT_EQ(text(joined), joined_path(row));
    }
}

TEST(SplitPath, ReadsOnlyTheFirst260Characters)
{
    // Past the limit lie a separator and an extension that must not count.
    std::string path = "dddd\\" + std::string(255, 'n') + "\\tail.ext";
    path.resize(300, 'z');
    PartText directory, name, extension;
    EXPECT_EQ(split_path(path.c_str(), nullptr, &directory, &name, &extension), 0x0Cu);
    EXPECT_EQ(text(directory), "dddd\\");
    EXPECT_EQ(text(name), std::string(255, 'n'));
    EXPECT_EQ(text(extension), "");
    EXPECT_EQ(locate_path_parts(path).end, SPLIT_READ_LIMIT);
    // The pattern splitter reads the whole text, past any path buffer.
    const std::string whole_directory = path.substr(0, 5 + 255 + 1);
    for (const NameStart reading : {NameStart::LAST_COMPONENT, NameStart::PATH_PARTS}) {
        EXPECT_EQ(split_pattern(path, reading).directory, whole_directory);
        EXPECT_EQ(split_pattern(path + "\\..", reading).name.size(),
                  reading == NameStart::PATH_PARTS ? 0U : 2U);
    }
}

TEST(SplitPath, CutsALongNameToItsRoomButNotItsOffsets)
{
    const std::string path = "C:\\" + std::string(300, 'a');
    PartText name;
    EXPECT_EQ(split_path(path.c_str(), nullptr, nullptr, &name, nullptr), 0x1Cu);
    EXPECT_EQ(text(name), std::string(255, 'a'));
    const PathLayout layout = locate_path_parts(path);
    EXPECT_EQ(layout.ext_start - layout.name_start, SPLIT_READ_LIMIT - 3);
}

struct MergeRow {
    const char* drive;
    const char* directory;
    const char* name;
    const char* extension;
    const char* joined;
    Page page = Page::SINGLE;
};

constexpr MergeRow MERGE_ROWS[] = {
    {"C:", "\\WORK", "*", ".*", "C:\\WORK\\*.*"},
    {"C", "\\WORK\\", "x", "txt", "C:\\WORK\\x.txt"},
    {nullptr, ".", "*", ".*", ".\\*.*"},
    {"D", nullptr, nullptr, nullptr, "D:"},
    {"Dx", "", "name", "txt", "D:name.txt"},
    {nullptr, "a/", "b", nullptr, "a/b"},
    {"", "", "", "", ""},
    {nullptr, nullptr, nullptr, nullptr, ""},
    {nullptr, "\x95\x5C", "x", nullptr, "\x95\x5C\\x", Page::DBCS},
    {nullptr, "\x95\x5C", "x", nullptr, "\x95\x5Cx"},
};

TEST(MergePath, JoinsThePresentParts)
{
    for (const MergeRow& row : MERGE_ROWS) {
        SCOPED_TRACE(row.joined);
        const UsingPage page(row.page);
        std::array<char, JOIN_ROOM> out;
        EXPECT_EQ(merge_path(out, row.drive, row.directory, row.name, row.extension),
                  std::string(row.joined).size());
        EXPECT_EQ(text(out), row.joined);
    }
}

TEST(MergePath, CutsToTheBufferAndReportsTheNeededLength)
{
    constexpr std::size_t needed = 13; // C:\WORK\x.txt
    for (const std::size_t room : {std::size_t{8}, needed, needed + 1}) {
        SCOPED_TRACE(room);
        std::array<char, needed + 1> out;
        out.fill('#');
        const std::span<char> buffer(out.data(), room);
        EXPECT_EQ(merge_path(buffer, "C", "\\WORK", "x", "txt"), needed);
        EXPECT_EQ(text(out), std::string("C:\\WORK\\x.txt").substr(0, room - 1));
    }
    EXPECT_EQ(merge_path({}, "C", "\\WORK", "x", "txt"), needed);
}

} // namespace
