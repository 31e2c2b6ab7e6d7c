// The folder listing baseline: a bare shell enumeration of one folder's
// subfolders, without any tree.
//
//   shell_list [--add STEPS] FOLDER
//
// prints count=N and list_ms (parse, bind, enumerate). STEPS, a list joined
// by commas, adds per-child work the folder tree may do, to find out what
// each costs under a given shell:
//   attributes  GetAttributesOf(SFGAO_FOLDER | SFGAO_HIDDEN)
//   subfolders  GetAttributesOf(... | SFGAO_HASSUBFOLDER)
//   names       GetDisplayNameOf(SHGDN_NORMAL | SHGDN_INFOLDER)
//   sort        a sort of the children by CompareIDs(0, ...)
//   icons       SHGetFileInfoW(SHGFI_SYSICONINDEX), normal and open, per child
//   shellicon   IShellIcon::GetIconOf, normal and open, per child
//   generic     SHGetFileInfoW with SHGFI_USEFILEATTRIBUTES for a directory
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

bool Has(const wchar_t *steps, const wchar_t *step)
{
    const size_t length = std::wcslen(step);
    for (const wchar_t *at = steps; (at = std::wcsstr(at, step)) != nullptr; at += length) {
        const bool starts = at == steps || at[-1] == L',';
        const bool ends = at[length] == L'\0' || at[length] == L',';
        if (starts && ends)
            return true;
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    const wchar_t *steps = L"";
    int next = 1;
    if (argc == 4 && std::wcscmp(argv[1], L"--add") == 0) {
        steps = argv[2];
        next = 3;
    }
    if (argc != next + 1) {
        std::fwprintf(stderr, L"usage: shell_list [--add STEPS] FOLDER\n");
        return 2;
    }
    const wchar_t *path = argv[next];
    const bool attributes = Has(steps, L"attributes");
    const bool subfolders = Has(steps, L"subfolders");
    const bool names = Has(steps, L"names");
    const bool sort = Has(steps, L"sort");
    const bool icons = Has(steps, L"icons");
    const bool shellIcon = Has(steps, L"shellicon");
    const bool generic = Has(steps, L"generic");
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);

    long count = -1;
    PIDLIST_ABSOLUTE folderId = nullptr;
    IShellFolder *desktop = nullptr;
    IShellFolder *folder = nullptr;
    IEnumIDList *items = nullptr;
    std::vector<PITEMID_CHILD> children;
    if (SUCCEEDED(SHParseDisplayName(path, nullptr, &folderId, 0, nullptr)) &&
        SUCCEEDED(SHGetDesktopFolder(&desktop)) &&
        SUCCEEDED(desktop->BindToObject(folderId, nullptr, IID_IShellFolder, reinterpret_cast<void **>(&folder))) &&
        folder->EnumObjects(nullptr, SHCONTF_FOLDERS, &items) == S_OK) {
        count = 0;
        PITEMID_CHILD item = nullptr;
        while (items->Next(1, &item, nullptr) == S_OK) {
            ++count;
            PCUITEMID_CHILD one = item;
            if (attributes || subfolders) {
                SFGAOF asked = SFGAO_FOLDER | SFGAO_HIDDEN | (subfolders ? SFGAO_HASSUBFOLDER : 0);
                folder->GetAttributesOf(1, &one, &asked);
            }
            if (names) {
                STRRET name{};
                if (SUCCEEDED(folder->GetDisplayNameOf(one, SHGDN_NORMAL | SHGDN_INFOLDER, &name)) &&
                    name.uType == STRRET_WSTR)
                    CoTaskMemFree(name.pOleStr);
            }
            if (icons) {
                PIDLIST_ABSOLUTE absolute = ILCombine(folderId, one);
                SHFILEINFOW info{};
                const UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
                SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof info, flags);
                SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof info, flags | SHGFI_OPENICON);
                CoTaskMemFree(absolute);
            }
            if (shellIcon) {
                IShellIcon *icon = nullptr;
                if (SUCCEEDED(folder->QueryInterface(IID_IShellIcon, reinterpret_cast<void **>(&icon)))) {
                    int index = 0;
                    icon->GetIconOf(one, GIL_FORSHELL, &index);
                    icon->GetIconOf(one, GIL_FORSHELL | GIL_OPENICON, &index);
                    icon->Release();
                }
            }
            if (generic) {
                SHFILEINFOW info{};
                const UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
                SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags);
                SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags | SHGFI_OPENICON);
            }
            children.push_back(item);
        }
        if (sort) {
            std::stable_sort(children.begin(), children.end(), [folder](PCUITEMID_CHILD a, PCUITEMID_CHILD b) {
                const HRESULT result = folder->CompareIDs(0, a, b);
                return SUCCEEDED(result) && static_cast<short>(HRESULT_CODE(result)) < 0;
            });
        }
    }
    QueryPerformanceCounter(&end);

    for (PITEMID_CHILD child : children)
        CoTaskMemFree(child);
    if (items)
        items->Release();
    if (folder)
        folder->Release();
    if (desktop)
        desktop->Release();
    CoTaskMemFree(folderId);
    CoUninitialize();
    if (count < 0) {
        std::fwprintf(stderr, L"shell_list: cannot list %ls\n", path);
        return 1;
    }
    std::wprintf(L"count=%ld\nlist_ms=%.2f\n", count,
                 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}
