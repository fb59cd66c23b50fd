// A whole directory read at once for the attribute-matched search: the names
// that match, each with the attribute word its directory entry gives. Only an
// entry whose type readdir does not give (or a symbolic link, whose target
// decides) costs a stat.
#include "fs/posix_host.h"

#include <cstring>
#include <dirent.h>

namespace {

constexpr std::size_t WORD_BYTES = 2; // attribute words fit in 16 bits

// The attribute word from readdir's type; false when the type does not tell.
bool word_from_type(unsigned char type, std::string_view name, std::uint32_t& word)
{
    switch (type) {
    case DT_DIR: word = attribute_word(EntryKind::directory, true, false, name); return true;
    case DT_REG: word = attribute_word(EntryKind::regular, true, false, name); return true;
    case DT_FIFO:
    case DT_CHR:
    case DT_BLK:
    case DT_SOCK: word = attribute_word(EntryKind::other, true, false, name); return true;
    default: return false; // DT_LNK, DT_UNKNOWN
    }
}

std::uint32_t entry_word(DIR* directory, const dirent& entry)
{
    std::uint32_t word = 0;
    if (word_from_type(entry.d_type, entry.d_name, word)) {
        return word;
    }
    FindResult result;
    describe_listed(dirfd(directory), entry.d_name, entry.d_type, result);
    return result.dwFileAttributes & ~ATTR_READONLY;
}

void keep(HostListing& listing, std::uint32_t word, std::string_view name)
{
    const std::array<char, WORD_BYTES> bytes{static_cast<char>(word & 0xFF),
                                             static_cast<char>((word >> 8) & 0xFF)};
    listing.entries.append(bytes.data(), bytes.size());
    listing.entries.append(name);
    listing.entries.push_back('\0');
}

} // namespace

std::unique_ptr<HostListing> read_listing(std::string_view directory, std::string_view pattern,
                                          bool& failed)
{
    DIR* opened = nullptr;
    const auto open_directory = [&opened](const char* posix) {
        opened = opendir(posix);
        return opened != nullptr;
    };
    if (!on_host_path(directory, open_directory)) {
        return nullptr;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> stream(opened, closedir);
    auto listing = std::make_unique<HostListing>();
    while (const dirent* entry = read_entry(stream.get(), failed)) {
        if (name_matches(pattern, entry->d_name)) {
            keep(*listing, entry_word(stream.get(), *entry), entry->d_name);
        }
    }
    return listing;
}

bool next_listed(HostListing& listing, std::uint32_t& attributes, std::string_view& name)
{
    const std::string& entries = listing.entries;
    if (listing.next + WORD_BYTES >= entries.size()) {
        return false;
    }
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(entries[at]); };
    attributes = byte(listing.next) | (std::uint32_t{byte(listing.next + 1)} << 8);
    name = entries.c_str() + listing.next + WORD_BYTES;
    listing.next += WORD_BYTES + name.size() + 1;
    return true;
}
