// The attribute-matched search, written once over any host's unfiltered
// search: hidden, system and directory entries held back unless asked for,
// or the volume label of the pattern's drive alone.
#include <cstring>

#include "fs/fs_services.h"

namespace {

constexpr std::uint32_t HELD_BACK = ATTR_HIDDEN | ATTR_SYSTEM | ATTR_DIRECTORY;
constexpr int DELIVERED = 0;
constexpr int NOTHING = 1;

bool accepted(std::uint32_t attributes, std::uint32_t requested)
{
    const std::uint32_t special = attributes & HELD_BACK;
    return special == 0 || (special & requested) != 0;
}

void deliver(FindBlock& block, const FindResult& result)
{
    block.attributes = result.dwFileAttributes;
    FileTime local = 0;
    host::FileTimeToLocalFileTime(result.ftLastWriteTime, local);
    host::FileTimeToDosDateTime(local, block.dos_date, block.dos_time);
    block.size_low = result.nFileSizeLow;
    copy_with_terminator(block.name, bounded_text(result.cFileName.data(), result.cFileName.size()));
}

// Skips held-back entries until one is accepted; the search ends with the host's.
int deliver_accepted(FindBlock& block, FindResult& result, bool have_result)
{
    while (have_result) {
        if (accepted(result.dwFileAttributes, block.requested)) {
            deliver(block, result);
            return DELIVERED;
        }
        have_result = host::FindNextFileA(block.search, result);
    }
    find_close(block);
    return NOTHING;
}

// The drive a pattern names: its own prefix, or that of its full path.
std::optional<int> drive_named(const char* pattern)
{
    return drive_number(has_drive_prefix(pattern) ? pattern : host::full_path(pattern));
}

// The label of the drive the pattern names, once.
int deliver_label(FindBlock& block)
{
    if (block.label_delivered || block.pattern == nullptr) {
        return NOTHING;
    }
    const auto drive = drive_named(block.pattern);
    const auto label = drive ? host::volume_label(*drive) : std::nullopt;
    if (!label) {
        return NOTHING;
    }
    block.label_delivered = true;
    block.attributes = ATTR_VOLUME_LABEL;
    block.dos_date = 0;
    block.dos_time = 0;
    block.size_low = 0;
    copy_terminated(block.name, *label);
    return DELIVERED;
}

} // namespace

int find_first(const char* pattern, FindBlock& block, std::uint32_t attributes)
{
    find_close(block);
    block.pattern = pattern;
    block.requested = attributes;
    block.label_delivered = false;
    if ((attributes & ATTR_VOLUME_LABEL) != 0) {
        return deliver_label(block);
    }
    FindResult result;
    block.search = host::FindFirstFileA(pattern, result);
    return deliver_accepted(block, result, block.search != host::INVALID_SEARCH);
}

int find_next(FindBlock& block)
{
    if ((block.requested & ATTR_VOLUME_LABEL) != 0) {
        return deliver_label(block);
    }
    if (block.search == host::INVALID_SEARCH) {
        return NOTHING;
    }
    FindResult result;
    return deliver_accepted(block, result, host::FindNextFileA(block.search, result));
}

void find_close(FindBlock& block)
{
    host::FindClose(block.search);
    block.search = host::INVALID_SEARCH;
}

FindBlock::~FindBlock()
{
    find_close(*this);
}

void copy_full_path(PathText& destination, const char* text)
{
    const char* full = host::full_path(text);
    copy_terminated(destination, full != nullptr ? bounded_text(full, PATH_ROOM) : "");
}
