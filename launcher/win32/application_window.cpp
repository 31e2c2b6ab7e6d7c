#include "application_window.h"

#include "../texts.h"
#include "wide.h"
#include "window_procedure.h"

namespace qz::win {

namespace {

constexpr wchar_t kApplicationClass[] = L"QzApplication";

// The task-bar entry's close is the main window's, except while a box is up
// or a step runs: the launcher is disabled then, and ends afterwards only if
// asked again.
void PostClose(HWND window, HWND main)
{
    if (IsWindowEnabled(window))
        PostMessageW(main, WM_CLOSE, 0, 0);
}

}  // namespace

Status ApplicationWindow::Create(HINSTANCE instance, const ProgramIcons &icons)
{
    WNDCLASSEXW application{};
    application.cbSize = sizeof application;
    application.lpfnWndProc = WindowProcedure<ApplicationWindow>;
    application.hInstance = instance;
    application.hIcon = icons.big.get();
    application.hIconSm = icons.small.get();
    application.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    application.lpszClassName = kApplicationClass;
    RegisterClassExW(&application);

    window_.reset(CreateWindowExW(0, kApplicationClass, Widen(kApplicationTitle).c_str(),
                                  WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                  GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                                  nullptr, instance, this));
    if (!window_)
        return Error("cannot create the application window");
    // Restore, minimise and close only.
    HMENU menu = GetSystemMenu(window_.get(), FALSE);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
    return {};
}

LRESULT ApplicationWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            PostClose(window, main_);
            return 0;
        }
        break;
    case WM_CLOSE: PostClose(window, main_); return 0;
    case WM_ACTIVATE:
        // Clicking the task-bar entry activates the main window, unless a
        // message box has it disabled.
        if (LOWORD(wParam) != WA_INACTIVE && main_ != nullptr && IsWindowEnabled(main_) && IsWindowVisible(main_)) {
            SetActiveWindow(main_);
            return 0;
        }
        break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace qz::win
