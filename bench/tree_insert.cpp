// The cost of a tree view alone: a pop-up window with a tree view of the
// launcher's styles and font, N items inserted under one collapsed item (with
// redrawing off, as the launcher does), the item expanded and the tree
// painted. No shell is involved: this is the floor under any folder tree.
//
//   tree_insert --count N [--text-callback] [--images]
// --images gives the tree the shell's small system image list and each item
// its icons by callback, as the launcher does.
// prints insert_ms, expand_ms and paint_ms.
#include "tree_window.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

double Now()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) {
        auto *header = reinterpret_cast<NMHDR *>(lParam);
        if (header->code == TVN_GETDISPINFOW) {
            auto *asked = reinterpret_cast<NMTVDISPINFOW *>(lParam);
            if (asked->item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
                asked->item.iImage = 3;
                asked->item.iSelectedImage = 4;
            }
            if (asked->item.mask & TVIF_TEXT)
                std::swprintf(asked->item.pszText, asked->item.cchTextMax, L"d%05ld",
                              static_cast<long>(asked->item.lParam));
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    long count = -1;
    bool textCallback = false;
    bool images = false;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--count") == 0 && i + 1 < argc)
            count = std::wcstol(argv[++i], nullptr, 10);
        else if (std::wcscmp(argv[i], L"--text-callback") == 0)
            textCallback = true;
        else if (std::wcscmp(argv[i], L"--images") == 0)
            images = true;
    }
    if (count < 0) {
        std::fwprintf(stderr, L"usage: tree_insert --count N [--text-callback]\n");
        return 2;
    }
    const qz::bench::TreeWindow made = qz::bench::ShowTreeWindow(L"QzBenchTreeInsert", Procedure, 400, 300, images);
    if (made.tree == nullptr)
        return 1;
    HWND main = made.main;
    HWND tree = made.tree;

    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    std::wstring text = L"root";
    insert.item.pszText = text.data();
    insert.item.cChildren = 1;
    auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    UpdateWindow(main);

    const double begin = Now();
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    insert.hParent = root;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    if (images) {
        insert.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.iImage = I_IMAGECALLBACK;
        insert.item.iSelectedImage = I_IMAGECALLBACK;
    }
    insert.item.cChildren = 0;
    for (long i = 0; i < count; ++i) {
        wchar_t name[16];
        std::swprintf(name, 16, L"d%05ld", i);
        insert.item.pszText = textCallback ? LPSTR_TEXTCALLBACKW : name;
        insert.item.lParam = i;
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    }
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
    const double inserted = Now();
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    const double expanded = Now();
    UpdateWindow(main);
    const double painted = Now();
    std::wprintf(L"insert_ms=%.2f\nexpand_ms=%.2f\npaint_ms=%.2f\nitems=%ld\n", inserted - begin, expanded - inserted,
                 painted - expanded, static_cast<long>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)));
    DestroyWindow(main);
    return 0;
}
