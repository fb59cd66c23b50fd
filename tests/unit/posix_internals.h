// Pieces of the POSIX host layer that only these tests reach, declared here
// rather than in the layer's header: the volume label's link names, which
// no host:: operation lets a test point at a directory of its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A /dev/disk/by-label link name with its "\xHH" escapes decoded.
std::string decode_label(std::string_view link_name);
// The decoded name of the first link in links_dir whose target's device
// number is device; empty when there is none or the directory is missing.
std::string find_label(const char* links_dir, std::uint64_t device);

// Seconds from 1601-01-01 to 1970-01-01, both universal time.
inline constexpr std::int64_t UNIX_EPOCH_SECONDS = 11'644'473'600;
