// Pieces of the POSIX host layer that only these tests reach, declared here
// rather than in the layer's header: what no host:: operation lets a test
// reach (the label links of a directory of its own, file times no file
// system holds, birth times, full paths against a directory known only from
// the run's start, the lookup of a path that does not exist).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fs/fs_services.h"

// A /dev/disk/by-label link name with its "\xHH" escapes decoded.
std::string decode_label(std::string_view link_name);
// The decoded name of the first link in links_dir whose target's device
// number is device; empty when there is none or the directory is missing.
std::string find_label(const char* links_dir, std::uint64_t device);
// The full form of text against the POSIX directory cwd; nothing for none.
std::optional<std::string> full_path_text(std::string_view text, std::string_view cwd,
                                          std::size_t limit = PATH_LIMIT);
// The POSIX path of a path text, its components looked up case-blind.
std::optional<std::string> posix_form_any_case(std::string_view text);
// A POSIX time stamp as a file time, held within the file times' range.
FileTime file_time_from_unix(std::int64_t seconds, std::uint32_t nanoseconds);
// The birth time where one is reported (0 is none), else the last write.
FileTime creation_time(bool birth_reported, std::int64_t birth_seconds,
                       std::uint32_t birth_nanoseconds, FileTime last_write);

// Seconds from 1601-01-01 to 1970-01-01, both universal time.
inline constexpr std::int64_t UNIX_EPOCH_SECONDS = 11'644'473'600;
