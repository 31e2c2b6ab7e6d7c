#include "shell_namespace_win32.h"

#include "text.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>

namespace qz::win {

namespace {

// Owner of one COM interface pointer.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef &) = delete;
    ComRef &operator=(const ComRef &) = delete;
    ComRef(ComRef &&other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef &operator=(ComRef &&other) noexcept
    {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ~ComRef() { reset(); }

    // Shares an interface pointer held elsewhere.
    static ComRef Share(T *pointer)
    {
        ComRef shared;
        if (pointer != nullptr) {
            pointer->AddRef();
            shared.pointer_ = pointer;
        }
        return shared;
    }

    T *get() const { return pointer_; }
    T *operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    void reset()
    {
        if (pointer_ != nullptr)
            std::exchange(pointer_, nullptr)->Release();
    }
    // For out-parameters: releases what was held first.
    T **put()
    {
        reset();
        return &pointer_;
    }
    void **putVoid() { return reinterpret_cast<void **>(put()); }

private:
    T *pointer_ = nullptr;
};

inline void FreeComText(wchar_t *text) { CoTaskMemFree(text); }
using UniqueComText = UniqueHandle<wchar_t *, FreeComText>;

inline void DestroyMenuHandle(HMENU menu) { DestroyMenu(menu); }
using UniqueMenu = UniqueHandle<HMENU, DestroyMenuHandle>;

// The command identifiers the context menu may use; 0 means "dismissed".
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;

// The empty item identifier list: the desktop. Read-only uses only.
const ITEMIDLIST kDesktopIdList{};

bool IsEmpty(const ITEMIDLIST *list) { return list == nullptr || list->mkid.cb == 0; }

UniqueIdList NewEmptyIdList()
{
    auto *list = static_cast<ITEMIDLIST *>(CoTaskMemAlloc(sizeof(USHORT)));
    if (list == nullptr)
        throw std::bad_alloc();
    list->mkid.cb = 0;
    return UniqueIdList(list);
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

ComRef<IShellFolder> DesktopFolder()
{
    ComRef<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.put())))
        desktop.reset();
    return desktop;
}

// The folder's own IShellFolder: the desktop's for the empty list, bound
// from the desktop otherwise; empty when it cannot be bound.
ComRef<IShellFolder> BindFolder(IShellFolder *desktop, const ITEMIDLIST *absolute)
{
    if (IsEmpty(absolute))
        return ComRef<IShellFolder>::Share(desktop);
    ComRef<IShellFolder> folder;
    if (FAILED(desktop->BindToObject(absolute, nullptr, IID_IShellFolder, folder.putVoid())))
        folder.reset();
    return folder;
}

std::wstring FromAnsi(std::string_view text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

// The text of a STRRET, whose memory (when it has any) is freed here. `item`
// is the identifier list the name was asked for (STRRET_OFFSET points into it).
std::wstring TakeText(STRRET &value, const ITEMIDLIST *item)
{
    switch (value.uType) {
    case STRRET_WSTR: {
        UniqueComText text(std::exchange(value.pOleStr, nullptr));
        return text ? std::wstring(text.get()) : std::wstring();
    }
    case STRRET_OFFSET:
        if (item == nullptr)
            return {};
        return FromAnsi(reinterpret_cast<const char *>(item) + value.uOffset);
    case STRRET_CSTR:
        return FromAnsi(std::string_view(value.cStr, strnlen(value.cStr, sizeof value.cStr)));
    default:
        return {};
    }
}

// A name of an item of `folder` (or of any item, given an absolute list to
// the desktop); empty when the shell gives none.
std::wstring NameOf(IShellFolder *folder, const ITEMIDLIST *item, SHGDNF flags)
{
    STRRET value{};
    value.uType = STRRET_CSTR;
    if (FAILED(folder->GetDisplayNameOf(item, flags, &value)))
        return {};
    return TakeText(value, item);
}

// A name to show, without the spaces around it (a drive without a volume
// label may be named " (C:)").
std::string ShownName(const std::wstring &name)
{
    const std::size_t first = name.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return {};
    const std::size_t last = name.find_last_not_of(L' ');
    return Narrow(std::wstring_view(name).substr(first, last - first + 1));
}

// "E:\Db\" becomes "E:\Db"; a drive root keeps its separator ("D:\").
void DropTrailingSeparator(std::wstring &path)
{
    const std::size_t size = path.size();
    if (size > 3 && path[size - 1] == L'\\' && path[size - 2] != L'\\')
        path.pop_back();
}

bool IsDriveRoot(const std::wstring &path)
{
    return path.size() == 3 && path[1] == L':' && path[2] == L'\\';
}

// The context menu shown on this thread, for ForwardContextMenuMessage.
thread_local IContextMenu2 *activeMenu2 = nullptr;
thread_local IContextMenu3 *activeMenu3 = nullptr;

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
    ComRef<IContextMenu2> menu2_;
    ComRef<IContextMenu3> menu3_;
    IContextMenu2 *saved2_;
    IContextMenu3 *saved3_;
};

}  // namespace

const ITEMIDLIST *IdListOf(const ShellItem &item)
{
    const auto *own = dynamic_cast<const WinShellItem *>(&item);
    return own != nullptr ? own->IdList() : nullptr;
}

ShellFolder WinShellNamespace::Desktop()
{
    ShellFolder desktop;
    desktop.item = std::make_shared<WinShellItem>(NewEmptyIdList());
    desktop.hasSubfolders = true;
    if (ComRef<IShellFolder> folder = DesktopFolder())
        desktop.name = ShownName(NameOf(folder.get(), &kDesktopIdList, SHGDN_NORMAL));
    return desktop;
}

std::vector<ShellFolder> WinShellNamespace::Subfolders(const ShellItem &item)
{
    const ITEMIDLIST *parent = IdListOf(item);
    if (parent == nullptr)
        return {};
    ComRef<IShellFolder> desktop = DesktopFolder();
    if (!desktop)
        return {};

    QuietCriticalErrors quiet;
    ComRef<IShellFolder> folder = BindFolder(desktop.get(), parent);
    if (!folder)
        return {};
    ComRef<IEnumIDList> enumerator;
    // S_FALSE (and no enumerator) when the folder has nothing to list.
    if (folder->EnumObjects(owner_, SHCONTF_FOLDERS, enumerator.put()) != S_OK || !enumerator)
        return {};

    struct Child {
        UniqueIdList relative;
        std::wstring name;
        bool hasSubfolders;
    };
    std::vector<Child> children;
    for (;;) {
        UniqueIdList relative;
        ULONG fetched = 0;
        if (enumerator->Next(1, relative.put(), &fetched) != S_OK || fetched != 1 || !relative)
            break;
        const ITEMIDLIST *one = relative.get();
        SFGAOF attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_HIDDEN;
        if (FAILED(folder->GetAttributesOf(1, &one, &attributes)))
            continue;
        if ((attributes & SFGAO_FOLDER) == 0 || (attributes & SFGAO_HIDDEN) != 0)
            continue;
        std::wstring name = NameOf(folder.get(), one, SHGDN_NORMAL | SHGDN_INFOLDER);
        children.push_back({std::move(relative), std::move(name), (attributes & SFGAO_HASSUBFOLDER) != 0});
    }

    // The folder's own order: CompareIDs on column 0 (the name).
    IShellFolder *order = folder.get();
    std::stable_sort(children.begin(), children.end(), [order](const Child &a, const Child &b) {
        const HRESULT result = order->CompareIDs(0, a.relative.get(), b.relative.get());
        return SUCCEEDED(result) && static_cast<short>(HRESULT_CODE(result)) < 0;
    });

    std::vector<ShellFolder> subfolders;
    subfolders.reserve(children.size());
    for (Child &child : children) {
        UniqueIdList absolute(ILCombine(parent, child.relative.get()));
        if (!absolute)
            continue;
        ShellFolder subfolder;
        subfolder.item = std::make_shared<WinShellItem>(std::move(absolute));
        subfolder.name = ShownName(child.name);
        subfolder.hasSubfolders = child.hasSubfolders;
        subfolders.push_back(std::move(subfolder));
    }
    return subfolders;
}

std::string WinShellNamespace::ParsingName(const ShellItem &item)
{
    const ITEMIDLIST *list = IdListOf(item);
    if (list == nullptr || !Exists(item))
        return {};
    ComRef<IShellFolder> desktop = DesktopFolder();
    if (!desktop)
        return {};
    std::wstring name = NameOf(desktop.get(), list, SHGDN_FORPARSING);
    DropTrailingSeparator(name);
    return Narrow(name);
}

std::string WinShellNamespace::DisplayName(const ShellItem &item)
{
    const ITEMIDLIST *list = IdListOf(item);
    if (list == nullptr)
        return {};
    ComRef<IShellFolder> desktop = DesktopFolder();
    if (!desktop)
        return {};
    return ShownName(NameOf(desktop.get(), list, SHGDN_NORMAL));
}

bool WinShellNamespace::Exists(const ShellItem &item)
{
    const ITEMIDLIST *list = IdListOf(item);
    if (list == nullptr)
        return false;
    if (IsEmpty(list))
        return true;
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(list, buffer) || buffer[0] == L'\0')
        return true;  // a virtual folder
    const std::wstring path(buffer);
    QuietCriticalErrors quiet;
    // A drive stays while its letter does, with or without a medium.
    if (IsDriveRoot(path)) {
        const UINT type = GetDriveTypeW(path.c_str());
        return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR;
    }
    // A directory, or a file the shell shows as a folder (an archive).
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ShellFolder WinShellNamespace::FromParsingName(std::string_view parsingName)
{
    if (parsingName.empty())
        return {};
    const std::wstring wide = Widen(parsingName);
    QuietCriticalErrors quiet;
    UniqueIdList absolute;
    if (FAILED(SHParseDisplayName(wide.c_str(), nullptr, absolute.put(), 0, nullptr)) || !absolute)
        return {};
    if (IsEmpty(absolute.get()))
        return Desktop();

    // The attributes come from the parent folder: those SHParseDisplayName
    // reports are not reliable for virtual folders.
    ComRef<IShellFolder> parent;
    const ITEMIDLIST *child = nullptr;
    if (FAILED(SHBindToParent(absolute.get(), IID_IShellFolder, parent.putVoid(), &child)) || !parent ||
        child == nullptr)
        return {};
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
    if (FAILED(parent->GetAttributesOf(1, &child, &attributes)) || (attributes & SFGAO_FOLDER) == 0)
        return {};

    ShellFolder found;
    found.name = ShownName(NameOf(parent.get(), child, SHGDN_NORMAL | SHGDN_INFOLDER));
    found.hasSubfolders = (attributes & SFGAO_HASSUBFOLDER) != 0;
    found.item = std::make_shared<WinShellItem>(std::move(absolute));
    return found;
}

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

bool ShowContextMenu(HWND owner, const ShellItem &folder, POINT screen)
{
    const ITEMIDLIST *list = IdListOf(folder);
    if (list == nullptr || IsEmpty(list))
        return false;

    ComRef<IShellFolder> parent;
    const ITEMIDLIST *child = nullptr;
    if (FAILED(SHBindToParent(list, IID_IShellFolder, parent.putVoid(), &child)) || !parent || child == nullptr)
        return false;
    ComRef<IContextMenu> menu;
    if (FAILED(parent->GetUIObjectOf(owner, 1, &child, IID_IContextMenu, nullptr, menu.putVoid())) || !menu)
        return false;

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
    case WM_MENUCHAR:
        break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (wParam != 0)  // a control's, not a menu item's
            return false;
        break;
    default:
        return false;
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
