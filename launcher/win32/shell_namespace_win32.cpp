#include "shell_namespace_win32.h"

#include "shell_internal.h"
#include "wide.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace qz::win {

namespace {

using shell::BindFolder;
using shell::CombineIdLists;
using shell::DesktopFolder;
using shell::IsDriveRoot;
using shell::IsEmpty;
using shell::kDesktopIdList;
using shell::NewEmptyIdList;
using shell::QuietCriticalErrors;

// Not make_shared: its control block asks the type system for its deleter,
// which a build without type information answers from code that brings the
// C++ library's exception support along.
ShellItemPtr NewItem(UniqueIdList absolute)
{
    return ShellItemPtr(new WinShellItem(std::move(absolute)));
}

inline void FreeComText(wchar_t *text)
{
    CoTaskMemFree(text);
}
using UniqueComText = UniqueHandle<wchar_t *, FreeComText>;

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
    case STRRET_CSTR: return FromAnsi(std::string_view(value.cStr, strnlen(value.cStr, sizeof value.cStr)));
    default: return {};
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

}  // namespace

const ITEMIDLIST *IdListOf(const ShellItem &item)
{
    return static_cast<const ITEMIDLIST *>(item.NativeId());
}

ShellFolder WinShellNamespace::Desktop()
{
    ShellFolder desktop;
    desktop.item = NewItem(NewEmptyIdList());
    desktop.hasSubfolders = true;
    if (ComPtr<IShellFolder> folder = DesktopFolder())
        desktop.name = ShownName(NameOf(folder.get(), &kDesktopIdList, SHGDN_NORMAL));
    return desktop;
}

std::vector<ShellFolder> WinShellNamespace::Subfolders(const ShellItem &item)
{
    const ITEMIDLIST *parent = IdListOf(item);
    if (parent == nullptr)
        return {};
    ComPtr<IShellFolder> desktop = DesktopFolder();
    if (!desktop)
        return {};

    QuietCriticalErrors quiet;
    ComPtr<IShellFolder> folder = BindFolder(desktop.get(), parent);
    if (!folder)
        return {};
    ComPtr<IEnumIDList> enumerator;
    // S_FALSE (and no enumerator) when the folder has nothing to list.
    if (folder->EnumObjects(owner_, SHCONTF_FOLDERS, enumerator.put()) != S_OK || !enumerator)
        return {};

    struct Child {
        UniqueIdList relative;
        std::wstring name;
        bool hasSubfolders;
        bool inFileSystem;
    };
    std::vector<Child> children;
    for (;;) {
        UniqueIdList relative;
        ULONG fetched = 0;
        if (enumerator->Next(1, relative.put(), &fetched) != S_OK || fetched != 1 || !relative)
            break;
        const ITEMIDLIST *one = relative.get();
        SFGAOF attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_HIDDEN | SFGAO_FILESYSTEM;
        if (FAILED(folder->GetAttributesOf(1, &one, &attributes)))
            continue;
        if ((attributes & SFGAO_FOLDER) == 0 || (attributes & SFGAO_HIDDEN) != 0)
            continue;
        std::wstring name = NameOf(folder.get(), one, SHGDN_NORMAL | SHGDN_INFOLDER);
        children.push_back({std::move(relative), std::move(name), (attributes & SFGAO_HASSUBFOLDER) != 0,
                            (attributes & SFGAO_FILESYSTEM) != 0});
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
        UniqueIdList absolute = CombineIdLists(parent, child.relative.get());
        if (!absolute)
            continue;
        ShellFolder subfolder;
        subfolder.item = NewItem(std::move(absolute));
        subfolder.name = ShownName(child.name);
        subfolder.hasSubfolders = child.hasSubfolders;
        subfolder.inFileSystem = child.inFileSystem;
        subfolders.push_back(std::move(subfolder));
    }
    return subfolders;
}

std::string WinShellNamespace::ParsingName(const ShellItem &item)
{
    const ITEMIDLIST *list = IdListOf(item);
    if (list == nullptr || !Exists(item))
        return {};
    ComPtr<IShellFolder> desktop = DesktopFolder();
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
    ComPtr<IShellFolder> desktop = DesktopFolder();
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
    std::wstring wide = Widen(parsingName);
    QuietCriticalErrors quiet;
    // The desktop folder parses any parsing name into an absolute list, on
    // every Windows (SHParseDisplayName is Windows XP's).
    const ComPtr<IShellFolder> desktop = DesktopFolder();
    UniqueIdList absolute;
    ULONG eaten = 0;
    if (!desktop || FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), &eaten, absolute.put(), nullptr)) ||
        !absolute)
        return {};
    if (IsEmpty(absolute.get()))
        return Desktop();

    // The attributes come from the parent folder: those that parsing reports
    // are not reliable for virtual folders.
    ComPtr<IShellFolder> parent;
    const ITEMIDLIST *child = nullptr;
    if (FAILED(SHBindToParent(absolute.get(), IID_IShellFolder, parent.putVoid(), &child)) || !parent ||
        child == nullptr)
        return {};
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM;
    if (FAILED(parent->GetAttributesOf(1, &child, &attributes)) || (attributes & SFGAO_FOLDER) == 0)
        return {};

    ShellFolder found;
    found.name = ShownName(NameOf(parent.get(), child, SHGDN_NORMAL | SHGDN_INFOLDER));
    found.hasSubfolders = (attributes & SFGAO_HASSUBFOLDER) != 0;
    found.inFileSystem = (attributes & SFGAO_FILESYSTEM) != 0;
    found.item = NewItem(std::move(absolute));
    return found;
}

}  // namespace qz::win
