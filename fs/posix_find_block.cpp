// The attribute-matched search: the unfiltered search (or, for a wildcard
// pattern, a whole-directory listing) with hidden, system and directory
// entries held back unless asked for, or the volume label alone.
#include "fs/posix_host.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t HELD_BACK = ATTR_HIDDEN | ATTR_SYSTEM | ATTR_DIRECTORY;
constexpr int DELIVERED = 0;
constexpr int NOTHING = 1;

bool accepted(std::uint32_t attributes, std::uint32_t requested)
{
    const std::uint32_t special = attributes & HELD_BACK;
    return special == 0 || (special & requested) != 0;
}

void copy_name(FindBlock& block, std::string_view name)
{
    block.name.fill('\0');
    std::memcpy(block.name.data(), name.data(), std::min(name.size(), block.name.size() - 1));
}

void deliver(FindBlock& block, const FindResult& result)
{
    block.attributes = result.dwFileAttributes;
    FileTime local = 0;
    FileTimeToLocalFileTime(result.ftLastWriteTime, local);
    FileTimeToDosDateTime(local, block.dos_date, block.dos_time);
    block.size_low = result.nFileSizeLow;
    copy_name(block, result.cFileName.data());
}

// Skips held-back entries until one is accepted; the search ends with the host's.
int deliver_accepted(FindBlock& block, FindResult& result, bool have_result)
{
    while (have_result) {
        if (accepted(result.dwFileAttributes, block.requested)) {
            deliver(block, result);
            return DELIVERED;
        }
        have_result = FindNextFileA(block.search, result);
    }
    find_close(block);
    return NOTHING;
}

// C: is the only drive with a label; a pattern naming another drive has none.
bool names_other_drive(const char* pattern)
{
    return pattern != nullptr && pattern[0] != '\0' && pattern[1] == ':' && pattern[0] != 'C' &&
           pattern[0] != 'c';
}

// Skips held-back entries of the listing until one is accepted; at its end,
// a failed read of the directory is what the search leaves to be asked.
int deliver_listed(FindBlock& block)
{
    std::uint32_t attributes = 0;
    std::string_view name;
    while (block.listing != nullptr && next_listed(*block.listing, attributes, name)) {
        if (accepted(attributes, block.requested)) {
            block.attributes = attributes;
            block.dos_date = 0;
            block.dos_time = 0;
            block.size_low = 0;
            copy_name(block, name);
            return DELIVERED;
        }
    }
    const bool failed = block.read_failed;
    find_close(block);
    note_read_failure(failed);
    return NOTHING;
}

int deliver_label(FindBlock& block)
{
    if (block.label_delivered || names_other_drive(block.pattern)) {
        return NOTHING;
    }
    block.label_delivered = true;
    block.attributes = ATTR_VOLUME_LABEL;
    block.dos_date = 0;
    block.dos_time = 0;
    block.size_low = 0;
    copy_name(block, root_volume_label());
    return DELIVERED;
}

} // namespace

int find_first(const char* pattern, FindBlock& block, std::uint32_t attributes)
{
    find_close(block);
    note_read_failure(false);
    block.pattern = pattern;
    block.requested = attributes;
    block.label_delivered = false;
    if ((attributes & ATTR_VOLUME_LABEL) != 0) {
        return deliver_label(block);
    }
    if (pattern == nullptr || strnlen(pattern, PATH_ROOM) >= PATH_ROOM) {
        return NOTHING;
    }
    // A wildcard search is read whole now, so that no directory stays open.
    const PatternParts parts = split_search_pattern(pattern);
    if (has_wildcards(parts.name)) {
        block.listing = read_listing(parts.directory, parts.name, block.read_failed).release();
        return deliver_listed(block);
    }
    FindResult result;
    block.search = FindFirstFileA(pattern, result);
    return deliver_accepted(block, result, block.search != INVALID_SEARCH);
}

int find_next(FindBlock& block)
{
    note_read_failure(false);
    if ((block.requested & ATTR_VOLUME_LABEL) != 0) {
        return deliver_label(block);
    }
    if (block.listing != nullptr) {
        return deliver_listed(block);
    }
    if (block.search == INVALID_SEARCH) {
        return NOTHING;
    }
    FindResult result;
    return deliver_accepted(block, result, FindNextFileA(block.search, result));
}

void find_close(FindBlock& block)
{
    FindClose(block.search);
    block.search = INVALID_SEARCH;
    delete block.listing;
    block.listing = nullptr;
    block.read_failed = false;
}

FindBlock::~FindBlock()
{
    find_close(*this);
}
