// The subdirectories a walk may enter, gathered from a directory's entries
// by one rule on every host: the layer gives each entry's name and its
// attribute word as the host describes it.
#include "fs/fs_services.h"

namespace {

bool is_enterable(std::string_view name, std::uint32_t attributes)
{
    return (attributes & ATTR_DIRECTORY) != 0 && (attributes & ATTR_REPARSE_POINT) == 0 &&
           !is_dot_entry(name);
}

} // namespace

void gather_if_enterable(std::string* subdirectories, std::string_view name,
                         std::uint32_t attributes, std::string_view reach)
{
    if (subdirectories != nullptr && is_enterable(name, attributes)) {
        subdirectories->append(name);
        subdirectories->push_back('\0');
        subdirectories->append(reach);
        subdirectories->push_back('\0');
    }
}
