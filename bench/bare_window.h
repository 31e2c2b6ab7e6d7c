// The bare window of the start-up baselines: a borderless 795 x 576 pop-up
// centred on the screen, shown and painted at once, and its message loop.
#pragma once

#include <windows.h>

namespace qz::bench {

inline constexpr int kWindowWidth = 795;
inline constexpr int kWindowHeight = 576;

// What a baseline may add to the bare window: an owner, styles, and child
// windows made before it shows.
struct BareWindowParts {
    HWND owner = nullptr;
    DWORD style = 0;
    void (*makeChildren)(HWND window) = nullptr;
};

// Registers the class, creates the window centred, shows and paints it;
// nullptr when it cannot be made.
inline HWND ShowBareWindow(HINSTANCE instance, const wchar_t *className, const wchar_t *title, WNDPROC procedure,
                           int show, const BareWindowParts &parts = {})
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (!RegisterClassW(&windowClass))
        return nullptr;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
    HWND window = CreateWindowExW(0, className, title, WS_POPUP | parts.style, x, y, kWindowWidth, kWindowHeight,
                                  parts.owner, nullptr, instance, nullptr);
    if (window == nullptr)
        return nullptr;
    if (parts.makeChildren != nullptr)
        parts.makeChildren(window);
    ShowWindow(window, show);
    UpdateWindow(window);
    return window;
}

inline int RunMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace qz::bench
