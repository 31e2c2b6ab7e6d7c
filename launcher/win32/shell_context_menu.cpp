#include "shell_internal.h"

#include <shellapi.h>

namespace qz::win {

namespace {

using shell::IsEmpty;

// The command identifiers the context menu may use; 0 means "dismissed".
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;

// The context menu being shown, for ForwardContextMenuMessage. Menus show on
// the UI thread only, the one thread that touches windows.
IContextMenu2 *activeMenu2 = nullptr;
IContextMenu3 *activeMenu3 = nullptr;

// Makes a context menu the active one for the life of the scope.
class ActiveMenuScope {
public:
    explicit ActiveMenuScope(IContextMenu *menu) : saved2_(activeMenu2), saved3_(activeMenu3)
    {
        if (FAILED(menu->QueryInterface(IID_IContextMenu3, menu3_.putVoid())))
            menu3_.reset();
        if (FAILED(menu->QueryInterface(IID_IContextMenu2, menu2_.putVoid())))
            menu2_.reset();
        activeMenu2 = menu2_.get();
        activeMenu3 = menu3_.get();
    }
    ~ActiveMenuScope()
    {
        activeMenu2 = saved2_;
        activeMenu3 = saved3_;
    }
    ActiveMenuScope(const ActiveMenuScope &) = delete;
    ActiveMenuScope &operator=(const ActiveMenuScope &) = delete;

private:
    ComPtr<IContextMenu2> menu2_;
    ComPtr<IContextMenu3> menu3_;
    IContextMenu2 *saved2_;
    IContextMenu3 *saved3_;
};

}  // namespace

bool ShowContextMenu(HWND owner, const ShellItem &folder, POINT screen)
{
    const ITEMIDLIST *list = IdListOf(folder);
    if (list == nullptr)
        return false;

    // The desktop, the root, is its own parent: its item is the empty list
    // in the desktop folder, or, where the shell offers no menu for that,
    // the desktop folder's own menu.
    ComPtr<IShellFolder> parent;
    const ITEMIDLIST *child = nullptr;
    if (IsEmpty(list)) {
        parent = shell::DesktopFolder();
        child = list;
    } else if (FAILED(SHBindToParent(list, IID_IShellFolder, parent.putVoid(), &child))) {
        return false;
    }
    if (!parent || child == nullptr)
        return false;
    ComPtr<IContextMenu> menu;
    if (FAILED(parent->GetUIObjectOf(owner, 1, &child, IID_IContextMenu, nullptr, menu.putVoid())) || !menu) {
        menu.reset();
        if (!IsEmpty(list) || FAILED(parent->CreateViewObject(owner, IID_IContextMenu, menu.putVoid())) || !menu)
            return false;
    }

    UniqueMenu popup(CreatePopupMenu());
    if (!popup)
        return false;
    // As in a tree of folders: no renaming in place; Shift adds the extended verbs.
    UINT flags = CMF_NORMAL | CMF_EXPLORE;
    if (GetKeyState(VK_SHIFT) < 0)
        flags |= CMF_EXTENDEDVERBS;
    if (FAILED(menu->QueryContextMenu(popup.get(), 0, kFirstCommand, kLastCommand, flags)) ||
        GetMenuItemCount(popup.get()) <= 0)
        return false;

    UINT command = 0;
    {
        ActiveMenuScope active(menu.get());
        command = static_cast<UINT>(
            TrackPopupMenuEx(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, owner, nullptr));
    }
    if (command < kFirstCommand || command > kLastCommand)
        return false;

    const UINT offset = command - kFirstCommand;
    CMINVOKECOMMANDINFOEX invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.fMask = CMIC_MASK_UNICODE | CMIC_MASK_PTINVOKE;
    if (GetKeyState(VK_CONTROL) < 0)
        invoke.fMask |= CMIC_MASK_CONTROL_DOWN;
    if (GetKeyState(VK_SHIFT) < 0)
        invoke.fMask |= CMIC_MASK_SHIFT_DOWN;
    invoke.hwnd = owner;
    invoke.lpVerb = MAKEINTRESOURCEA(offset);
    invoke.lpVerbW = MAKEINTRESOURCEW(offset);
    invoke.nShow = SW_SHOWNORMAL;
    invoke.ptInvoke = screen;
    return SUCCEEDED(menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO *>(&invoke)));
}

bool ForwardContextMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result) noexcept
{
    switch (message) {
    case WM_INITMENUPOPUP:
    case WM_MENUCHAR: break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (wParam != 0)  // a control's, not a menu item's
            return false;
        break;
    default: return false;
    }

    LRESULT answer = 0;
    if (activeMenu3 != nullptr) {
        if (activeMenu3->HandleMenuMsg2(message, wParam, lParam, &answer) != S_OK)
            return false;
    } else if (activeMenu2 != nullptr && message != WM_MENUCHAR) {
        if (activeMenu2->HandleMenuMsg(message, wParam, lParam) != S_OK)
            return false;
        answer = message == WM_INITMENUPOPUP ? 0 : TRUE;
    } else {
        return false;
    }
    if (result != nullptr)
        *result = answer;
    return true;
}

}  // namespace qz::win
