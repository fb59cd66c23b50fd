// A POSIX layer with nothing read ahead of the walk: every directory is read
// when its pass reads it, through the step's own descriptor.
#include "fs/posix/posix_host.h"

std::unique_ptr<DirReader> reader_read_ahead(const DirectoryId& /*current*/)
{
    return nullptr;
}

std::optional<std::optional<std::uint64_t>> free_bytes_read_ahead(const DirectoryId& /*current*/)
{
    return std::nullopt;
}

bool steps_only_look_up()
{
    return false;
}
