// Times the launcher's folder tree expanding its selected item.
//
//   tree_timer --expect N [--timeout-ms N] [--class NAME]
// finds the launcher's main window (class TForm_qz) and its tree (the child
// window whose QzControlName atom reads ShellTreeV), or with --class the
// first tree view in the window of that class (the baseline, bare_tree),
// sends TVM_EXPAND for the
// selected item and waits until the tree holds N more items. Prints
// expand_ms (from the message until the tree holds them all), returned_ms
// (until the expanding message returned), shown_ms
// (until the tree has also painted them: no part of it waits for a paint),
// added, the item's children counted afterwards and whether it was
// expanded before.
// Exit code 0 when measured, 1 on a time-out or a failure, 2 on wrong arguments.
#include "win32/automation.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>

namespace {

HWND tree = nullptr;

BOOL CALLBACK FindTree(HWND window, LPARAM)
{
    if (_wcsicmp(qz::win::ControlNameOf(window).c_str(), L"ShellTreeV") == 0) {
        tree = window;
        return FALSE;
    }
    return TRUE;
}

LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(tree, message, wParam, lParam, SMTO_NORMAL, 120000, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    long expect = -1;
    int timeoutMs = 120000;
    const wchar_t *windowClass = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--expect") == 0)
            expect = std::wcstol(argv[i + 1], nullptr, 10);
        else if (std::wcscmp(argv[i], L"--timeout-ms") == 0)
            timeoutMs = std::wcstol(argv[i + 1], nullptr, 10);
        else if (std::wcscmp(argv[i], L"--class") == 0)
            windowClass = argv[i + 1];
    }
    if (expect < 0 || argc % 2 == 0) {
        std::fwprintf(stderr, L"usage: tree_timer --expect N [--timeout-ms N] [--class NAME]\n");
        return 2;
    }
    HWND main = FindWindowW(windowClass != nullptr ? windowClass : qz::win::kMainWindowClass, nullptr);
    if (main != nullptr && windowClass != nullptr)
        tree = FindWindowExW(main, nullptr, WC_TREEVIEWW, nullptr);
    else if (main != nullptr)
        EnumChildWindows(main, FindTree, 0);
    if (tree == nullptr) {
        std::fwprintf(stderr, L"tree_timer: no window with a folder tree\n");
        return 1;
    }
    const auto item = static_cast<LPARAM>(Send(TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item == 0) {
        std::fwprintf(stderr, L"tree_timer: nothing is selected in the tree\n");
        return 1;
    }
    const bool wasExpanded = (Send(TVM_GETITEMSTATE, static_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    const long before = static_cast<long>(Send(TVM_GETCOUNT, 0, 0));

    LARGE_INTEGER begin, now;
    QueryPerformanceCounter(&begin);
    Send(TVM_EXPAND, TVE_EXPAND, item);
    LARGE_INTEGER returned;
    QueryPerformanceCounter(&returned);
    long added = 0;
    for (;;) {
        added = static_cast<long>(Send(TVM_GETCOUNT, 0, 0)) - before;
        QueryPerformanceCounter(&now);
        if (added >= expect || Milliseconds(begin, now) > timeoutMs)
            break;
        Sleep(1);
    }

    LARGE_INTEGER held = now;
    while (added >= expect && GetUpdateRect(tree, nullptr, FALSE)) {
        QueryPerformanceCounter(&now);
        if (Milliseconds(begin, now) > timeoutMs)
            break;
        Sleep(1);
    }
    QueryPerformanceCounter(&now);

    long children = 0;
    for (auto child = Send(TVM_GETNEXTITEM, TVGN_CHILD, item); child != 0;
         child = Send(TVM_GETNEXTITEM, TVGN_NEXT, child))
        ++children;
    std::wprintf(L"expand_ms=%.2f\nreturned_ms=%.2f\nshown_ms=%.2f\nadded=%ld\nchildren=%ld\nwas_expanded=%d\n",
                 Milliseconds(begin, held), Milliseconds(begin, returned), Milliseconds(begin, now), added, children, wasExpanded ? 1 : 0);
    if (added < expect) {
        std::fwprintf(stderr, L"tree_timer: only %ld of %ld items within %d ms\n", added, expect, timeoutMs);
        return 1;
    }
    return 0;
}
