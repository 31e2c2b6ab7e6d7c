// The application's own window: zero size, it carries the task-bar entry
// and owns the main window and every message box.
#pragma once

#include "../errors.h"
#include "handles.h"
#include "program_icons.h"

#include <windows.h>

namespace qz::win {

class ApplicationWindow {
public:
    ApplicationWindow() = default;
    ApplicationWindow(const ApplicationWindow &) = delete;
    ApplicationWindow &operator=(const ApplicationWindow &) = delete;

    // Registers the class and creates the window, hidden, with the
    // application's title; fails when it cannot be made.
    Status Create(HINSTANCE instance, const ProgramIcons &icons);
    HWND Window() const { return window_.get(); }
    // The main window, which the task-bar entry activates and closes.
    void SetMainWindow(HWND main) { main_ = main; }

    // Its messages (through WindowProcedure).
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    HWND main_ = nullptr;
    UniqueWindow window_;
};

}  // namespace qz::win
