// The folder listing baseline: a bare shell enumeration of one folder's
// subfolders, without any tree.
//
//   shell_list FOLDER      prints count=N and list_ms (parse, bind, enumerate)
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: shell_list FOLDER\n");
        return 2;
    }
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
    if (SUCCEEDED(SHParseDisplayName(argv[1], nullptr, &folderId, 0, nullptr)) &&
        SUCCEEDED(SHGetDesktopFolder(&desktop)) &&
        SUCCEEDED(desktop->BindToObject(folderId, nullptr, IID_IShellFolder, reinterpret_cast<void **>(&folder))) &&
        folder->EnumObjects(nullptr, SHCONTF_FOLDERS, &items) == S_OK) {
        count = 0;
        PITEMID_CHILD item = nullptr;
        while (items->Next(1, &item, nullptr) == S_OK) {
            ++count;
            CoTaskMemFree(item);
        }
    }
    QueryPerformanceCounter(&end);

    if (items)
        items->Release();
    if (folder)
        folder->Release();
    if (desktop)
        desktop->Release();
    CoTaskMemFree(folderId);
    CoUninitialize();
    if (count < 0) {
        std::fwprintf(stderr, L"shell_list: cannot list %ls\n", argv[1]);
        return 1;
    }
    std::wprintf(L"count=%ld\nlist_ms=%.2f\n", count,
                 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}
