// The tree view of the folder tree baselines: a pop-up window holding a tree
// view with the launcher's styles, font and indent, and optionally the
// shell's small system image list.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>

namespace qz::bench {

struct TreeWindow {
    HWND main = nullptr;
    HWND tree = nullptr;
};

// Registers the pop-up's class, shows the pop-up and its tree of the given
// size (the common controls initialised first); empty handles on failure.
inline TreeWindow ShowTreeWindow(const wchar_t *className, WNDPROC procedure, int width, int height, bool systemImages)
{
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
    TreeWindow made;
    made.main = CreateWindowExW(0, className, L"", WS_POPUP | WS_VISIBLE, 100, 100, width, height, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    if (made.main == nullptr)
        return {};
    made.tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS, 0, 0, width, height,
                                made.main, nullptr, windowClass.hInstance, nullptr);
    if (made.tree == nullptr)
        return {};
    // The launcher's Song face at 12 pixels, and its indent.
    LOGFONTW font{};
    font.lfHeight = -12;
    font.lfCharSet = GB2312_CHARSET;
    std::wcscpy(font.lfFaceName, L"\u5b8b\u4f53");
    SendMessageW(made.tree, WM_SETFONT, reinterpret_cast<WPARAM>(CreateFontIndirectW(&font)), FALSE);
    SendMessageW(made.tree, TVM_SETINDENT, 19, 0);
    if (systemImages) {
        SHFILEINFOW info{};
        const auto list = SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        TreeView_SetImageList(made.tree, reinterpret_cast<HIMAGELIST>(list), TVSIL_NORMAL);
    }
    return made;
}

}  // namespace qz::bench
