// The pointer shapes of the launcher's windows: the hand from the resources,
// the arrow, and the wait cursor over all of them while the launcher is busy.
#pragma once

#include "../layout.h"

#include <windows.h>

namespace qz::win {

class Cursors {
public:
    explicit Cursors(HINSTANCE instance);
    HCURSOR For(CursorKind kind) const;
    // The wait cursor: over every window while the launcher is busy, and
    // over the folder tree while it lists a folder.
    static HCURSOR Wait() { return LoadCursorW(nullptr, IDC_WAIT); }
    void SetBusy(bool busy) { busy_ = busy; }
    bool Busy() const { return busy_; }

private:
    HCURSOR hand_;
    bool busy_ = false;
};

// Marks the launcher busy or not. Busy: what the handler has set so far is
// painted (the main window and its children) and the wait cursor shows; no
// longer busy: the window under the pointer sets its own cursor at once.
void ShowBusy(Cursors &cursors, HWND main, bool busy);

}  // namespace qz::win
