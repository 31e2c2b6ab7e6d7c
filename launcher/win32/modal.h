// The launcher's modal state: while a message box is up or a blocking step
// runs, every window of the launcher is disabled, so that no click starts a
// second action; afterwards the window that was active gets back its
// activation and its focus.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace qz::win {

class ModalScope {
public:
    // Disables the enabled, visible top-level windows of this thread, all but
    // a message box's owner: the box disables that one itself and enables it
    // again before it goes, so that Windows hands the activation back to it
    // rather than to another program's window (which is what happens to an
    // owner still disabled when its box is destroyed).
    explicit ModalScope(HWND boxOwner = nullptr);
    // Enables them again, in reverse order, and restores activation and focus.
    ~ModalScope();
    ModalScope(const ModalScope &) = delete;
    ModalScope &operator=(const ModalScope &) = delete;

private:
    HWND active_;
    HWND focus_;
    std::vector<HWND> disabled_;
};

// A message box owned by the window (the application's own), modal to the
// whole launcher; the button pressed.
int ShowModalMessageBox(HWND owner, std::string_view text, std::string_view title, unsigned flags);

}  // namespace qz::win
