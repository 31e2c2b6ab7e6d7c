// What the shell namespace's files share: the desktop's identifier list and
// folder, identifier lists made and bound, quiet listing of drives without a medium, and paths.
#pragma once

#include "shell_namespace_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace qz::win::shell {

// The empty item identifier list: the desktop. Read-only uses only.
inline const ITEMIDLIST kDesktopIdList{};

inline bool IsEmpty(const ITEMIDLIST *list)
{
    return list == nullptr || list->mkid.cb == 0;
}

// While listing, a drive without a medium gives an error code instead of the
// system's "insert a disk" box.
class QuietCriticalErrors {
public:
    QuietCriticalErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS))
    {
        SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
    }
    ~QuietCriticalErrors() { SetErrorMode(previous_); }
    QuietCriticalErrors(const QuietCriticalErrors &) = delete;
    QuietCriticalErrors &operator=(const QuietCriticalErrors &) = delete;

private:
    UINT previous_;
};

// The desktop's IShellFolder; empty when the shell gives none.
ComPtr<IShellFolder> DesktopFolder();

// A new list of the first's items followed by the second's, from the COM
// allocator as the shell's own (ILCombine is exported by name only from
// Windows XP on).
UniqueIdList CombineIdLists(const ITEMIDLIST *first, const ITEMIDLIST *second);

// A new empty list (the desktop's), from the COM allocator.
UniqueIdList NewEmptyIdList();

// The folder's own IShellFolder: the desktop's for the empty list, bound
// from the desktop otherwise; empty when it cannot be bound.
ComPtr<IShellFolder> BindFolder(IShellFolder *desktop, const ITEMIDLIST *absolute);

inline bool IsDriveRoot(const std::wstring &path)
{
    return path.size() == 3 && path[1] == L':' && path[2] == L'\\';
}

}  // namespace qz::win::shell
