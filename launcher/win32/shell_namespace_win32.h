// The shell's namespace for the folder chooser, realised with IShellFolder:
// every folder is held as its absolute item identifier list (relative to the
// desktop), listed through its IShellFolder, named through the desktop's.
// Also the small system image list and its icon indexes for the tree, and the
// shell's context menu of one folder.
//
// Everything here runs on the thread of the chooser's window, after COM has
// been initialised apartment-threaded on it (ComApartment).
#pragma once

#include "../shell_namespace.h"
#include "handles.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qz::win {

inline void FreeIdList(ITEMIDLIST *list)
{
    CoTaskMemFree(list);
}

// An item identifier list allocated by the COM allocator (as the shell allocates them).
using UniqueIdList = UniqueHandle<ITEMIDLIST *, FreeIdList>;

// One folder of the namespace: owns its absolute item identifier list, which
// is the empty list for the desktop.
class WinShellItem final : public ShellItem {
public:
    explicit WinShellItem(UniqueIdList absolute) : idList_(std::move(absolute)) {}

    const ITEMIDLIST *IdList() const { return idList_.get(); }
    const void *NativeId() const override { return idList_.get(); }

private:
    UniqueIdList idList_;
};

// The absolute item identifier list of an item made by WinShellNamespace;
// nullptr for any other kind of item.
const ITEMIDLIST *IdListOf(const ShellItem &item);

// Names are the shell's, without spaces around them; parsing names are the
// shell's, without a trailing separator except for a drive's root ("D:\").
class WinShellNamespace final : public ShellNamespace {
public:
    // The window that owns whatever the shell shows while listing a folder
    // (such as a prompt for a medium); nullptr (the default) lets it show
    // nothing.
    void SetOwner(HWND owner) { owner_ = owner; }

    ShellFolder Desktop() override;
    std::vector<ShellFolder> Subfolders(const ShellItem &folder) override;
    std::string ParsingName(const ShellItem &folder) override;
    std::string DisplayName(const ShellItem &folder) override;

    // Whether the folder is still there: a folder of the file system while its
    // path exists (a drive's root while its letter does, medium or not); the
    // desktop and virtual folders always.
    bool Exists(const ShellItem &folder);

    // The folder with this parsing name ("D:\Db", "::{...}"), under its
    // display name within its parent; no item when the shell does not know
    // the name or it is not a folder. hasSubfolders is as the shell reports it.
    ShellFolder FromParsingName(std::string_view parsingName);

private:
    HWND owner_ = nullptr;
};

// The system image list of small icons (shared by the system: never destroy
// it); nullptr when the shell gives none.
HIMAGELIST SmallSystemImageList();

// The folder's small icon in that list, closed or open; -1 when unknown.
int SmallIconIndex(const ShellItem &folder, bool open);

// Shows the shell's context menu of the folder at a point of the screen and
// carries out the command chosen. True when a command was carried out; false
// when the menu was dismissed or could not be built (the desktop has none).
// A command may have renamed, deleted or made folders: after true, list the
// folder's parent again. While the menu is up, the owner's window procedure
// passes its menu messages to ForwardContextMenuMessage.
bool ShowContextMenu(HWND owner, const ShellItem &folder, POINT screen);

// For the owner's window procedure: hands WM_INITMENUPOPUP, WM_DRAWITEM,
// WM_MEASUREITEM and WM_MENUCHAR to the context menu shown on this thread, if
// one is up and wants them. True when the menu handled the message; then
// *result is what the window procedure returns.
bool ForwardContextMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result) noexcept;

}  // namespace qz::win
