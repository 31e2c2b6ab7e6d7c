#include "shell_internal.h"

#include <shellapi.h>

#include <array>

namespace qz::win {

using shell::IsDriveRoot;
using shell::IsEmpty;
using shell::kDesktopIdList;
using shell::QuietCriticalErrors;

HIMAGELIST SmallSystemImageList()
{
    SHFILEINFOW info{};
    const DWORD_PTR list = SHGetFileInfoW(reinterpret_cast<LPCWSTR>(&kDesktopIdList), 0, &info, sizeof info,
                                          SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    return reinterpret_cast<HIMAGELIST>(list);
}

namespace {

// The shell's small icon for the folder, closed or open; -1 when it gives none.
int ShellIconOf(const ITEMIDLIST *list, bool open)
{
    SHFILEINFOW info{};
    UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (open)
        flags |= SHGFI_OPENICON;
    if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof info, flags) == 0)
        return -1;
    return info.iIcon;
}

// The icons of a plain directory (closed, open), as the shell gave them for
// the first one asked about: every other plain directory has the same.
std::array<int, 2> plainIcons = {-1, -1};

// Whether the folder is a directory of the file system that can only show the
// plain folder icon: not a drive, not virtual, no reparse point, and neither
// read-only nor system (the marks of a folder with its own icon in a
// desktop.ini).
bool IsPlainDirectory(const ITEMIDLIST *list)
{
    if (IsEmpty(list))
        return false;
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(list, path) || path[0] == L'\0' || IsDriveRoot(path))
        return false;
    QuietCriticalErrors quiet;
    const DWORD attributes = GetFileAttributesW(path);
    constexpr DWORD kOwnIcon = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & kOwnIcon) == 0;
}

}  // namespace

int SmallIconIndex(const ShellItem &folder, bool open)
{
    const ITEMIDLIST *list = IdListOf(folder);
    if (list == nullptr)
        return -1;
    // Asking the shell for one folder's icon reads the folder's desktop.ini
    // and more (milliseconds each under Wine); a plain directory can only
    // have the plain folder icon, so the shell is asked for it once.
    if (!IsPlainDirectory(list))
        return ShellIconOf(list, open);
    int &plain = plainIcons[open ? 1 : 0];
    if (plain < 0)
        plain = ShellIconOf(list, open);
    return plain;
}

}  // namespace qz::win
