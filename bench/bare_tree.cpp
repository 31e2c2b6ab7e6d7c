// The folder tree baseline: the least a program does to show one folder's
// subfolders in a tree view when its item is expanded. A pop-up window with a
// tree view of the launcher's size, styles, font and small system image list
// (the size matters: under Wine a tree as narrow as the launcher's takes about
// twice as long to lay out new items as one twice as wide) holds
// one selected item for FOLDER with a "+"; expanding it lists the folder
// through the shell (parse, bind, EnumObjects(SHCONTF_FOLDERS), each child's
// name) and inserts the children, redrawing off, icons by callback. It is
// measured from outside exactly as the launcher's tree is (tree_timer), and
// ends on WM_CLOSE or after --timeout-ms.
//
//   bare_tree [--timeout-ms N] FOLDER
#include "tree_window.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cwchar>

namespace {

// The launcher's folder tree: 203 x 222 with its edge.
constexpr int kTreeWidth = 203;
constexpr int kTreeHeight = 222;

const wchar_t *folderPath = nullptr;
HWND tree = nullptr;
bool listed = false;

void InsertChildren(HTREEITEM parent)
{
    PIDLIST_ABSOLUTE folderId = nullptr;
    IShellFolder *desktop = nullptr;
    IShellFolder *folder = nullptr;
    IEnumIDList *items = nullptr;
    if (SUCCEEDED(SHParseDisplayName(folderPath, nullptr, &folderId, 0, nullptr)) &&
        SUCCEEDED(SHGetDesktopFolder(&desktop)) &&
        SUCCEEDED(desktop->BindToObject(folderId, nullptr, IID_IShellFolder, reinterpret_cast<void **>(&folder))) &&
        folder->EnumObjects(nullptr, SHCONTF_FOLDERS, &items) == S_OK) {
        SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        insert.item.iImage = I_IMAGECALLBACK;
        insert.item.iSelectedImage = I_IMAGECALLBACK;
        PITEMID_CHILD item = nullptr;
        while (items->Next(1, &item, nullptr) == S_OK) {
            STRRET name{};
            wchar_t text[MAX_PATH] = L"";
            if (SUCCEEDED(folder->GetDisplayNameOf(item, SHGDN_NORMAL | SHGDN_INFOLDER, &name)))
                StrRetToBufW(&name, item, text, MAX_PATH);
            insert.item.pszText = text;
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
            CoTaskMemFree(item);
        }
        SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree, nullptr, TRUE);
    }
    if (items)
        items->Release();
    if (folder)
        folder->Release();
    if (desktop)
        desktop->Release();
    CoTaskMemFree(folderId);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NOTIFY: {
        const auto *header = reinterpret_cast<NMHDR *>(lParam);
        if (header->code == TVN_GETDISPINFOW) {
            auto *asked = reinterpret_cast<NMTVDISPINFOW *>(lParam);
            // The shell's closed and open folder icons.
            asked->item.iImage = 3;
            asked->item.iSelectedImage = 4;
        } else if (header->code == TVN_ITEMEXPANDINGW && !listed) {
            const auto *expanding = reinterpret_cast<NMTREEVIEWW *>(lParam);
            if (expanding->action & TVE_EXPAND) {
                listed = true;
                InsertChildren(expanding->itemNew.hItem);
            }
        }
        return 0;
    }
    case WM_TIMER:
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    UINT timeoutMs = 600000;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--timeout-ms") == 0 && i + 1 < argc)
            timeoutMs = static_cast<UINT>(std::wcstoul(argv[++i], nullptr, 10));
        else
            folderPath = argv[i];
    }
    if (folderPath == nullptr) {
        std::fwprintf(stderr, L"usage: bare_tree [--timeout-ms N] FOLDER\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    const qz::bench::TreeWindow made =
        qz::bench::ShowTreeWindow(L"QzBenchBareTree", Procedure, kTreeWidth, kTreeHeight, true);
    if (made.tree == nullptr)
        return 1;
    tree = made.tree;
    HWND main = made.main;

    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t *>(folderPath);
    insert.item.cChildren = 1;
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    SetFocus(tree);
    UpdateWindow(main);
    SetTimer(main, 1, timeoutMs, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CoUninitialize();
    return 0;
}
