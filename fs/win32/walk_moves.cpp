// The walk's moves on Win32: a directory's identity is its volume's serial
// number and its 64-bit file index. Each move opens the directory it is about
// to enter, checks that handle (a directory, no reparse point: neither a
// symbolic link nor a junction; on the expected volume, or the expected
// directory), and holds it open, without sharing deletion, while the move is
// made: until the move is done, the directory checked can be neither renamed
// nor removed, so the directory entered is the one checked. Every move is
// made by the UTF-16 name the search read, which no code page spoils.
#include "fs/win32/win32_host.h"

#include <string>

namespace host {

namespace {

constexpr const wchar_t* HERE = L".";
constexpr const wchar_t* PARENT = L"..";

// Traversal, as changing into a directory needs, and not only attributes: an
// open that asks for attributes alone does not take part in sharing, and so
// would not keep the directory from being renamed or removed.
constexpr DWORD HOLD_ACCESS = FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
constexpr DWORD HOLD_SHARING = FILE_SHARE_READ | FILE_SHARE_WRITE; // no FILE_SHARE_DELETE

// An open directory, closed when it goes.
class HeldDirectory {
public:
    explicit HeldDirectory(const wchar_t* path)
        : handle_(::CreateFileW(path, HOLD_ACCESS, HOLD_SHARING, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))
    {
    }
    HeldDirectory(const HeldDirectory&) = delete;
    HeldDirectory& operator=(const HeldDirectory&) = delete;
    ~HeldDirectory()
    {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
    }

    // Its identity, when it is a directory that is no reparse point.
    std::optional<DirectoryId> identity() const
    {
        BY_HANDLE_FILE_INFORMATION information{};
        if (handle_ == INVALID_HANDLE_VALUE ||
            ::GetFileInformationByHandle(handle_, &information) == 0 ||
            (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return std::nullopt;
        }
        return DirectoryId{information.dwVolumeSerialNumber,
                           static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 |
                               information.nFileIndexLow};
    }

private:
    HANDLE handle_;
};

// Makes path current when the current directory then is the one identified;
// otherwise the current directory is unchanged (or, when it could not be
// made so again, the move reports failure all the same).
bool move_to(const std::wstring& path, const DirectoryId& expected)
{
    // The current directory in full, however long (a host that lets the walk
    // go past the path room must let it come back).
    const std::wstring before = current_dir_wide();
    if (before.empty() || !may_be_current(path) || ::SetCurrentDirectoryW(path.c_str()) == 0) {
        return false;
    }
    if (current_dir_id() != expected) {
        ::SetCurrentDirectoryW(before.c_str());
        return false;
    }
    left_current_dir();
    record_current_dir();
    return true;
}

} // namespace

std::optional<DirectoryId> current_dir_id()
{
    return HeldDirectory(HERE).identity();
}

// The step is made by the UTF-16 name the search read (the child's reach);
// a child that has none is taken by its name, a text of the program's own.
std::optional<DirectoryId> enter_subdir(const Subdirectory& child, const DirectoryId& here)
{
    const auto wide = !child.reach.empty() ? name_of_host_key(child.reach) : wide_of(child.name);
    if (!wide || wide->empty()) {
        return std::nullopt;
    }
    const HeldDirectory held(wide->c_str());
    const auto identity = held.identity();
    if (!identity || identity->device != here.device || !move_to(*wide, *identity)) {
        return std::nullopt;
    }
    return identity;
}

bool enter_parent_dir(const DirectoryId& parent)
{
    const HeldDirectory above(PARENT);
    const auto identity = above.identity();
    return identity == parent && move_to(PARENT, parent);
}

} // namespace host
