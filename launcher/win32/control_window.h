// One control's window, and what belongs to it: the control it shows, the
// object that decodes its messages, the window itself and the name it
// carries for tools. The main window keeps one record per control window.
#pragma once

#include "../controls.h"
#include "../folder_tree.h"
#include "automation.h"
#include "background.h"
#include "cursors.h"
#include "handles.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace qz::win {

// What every control window's object is given. The main window keeps the
// one context; the objects hold it by reference, so that the main window's
// handle, set once it is made, reaches every one of them.
struct ControlContext {
    ControlEvents &events;
    Background &background;
    const Cursors &cursors;
    FolderTree &folders;
    // The main window: where containers pass their children's notifications,
    // and the owner of the folder tree's context menu.
    HWND main = nullptr;
};

// What decodes one control window's messages. The parent passes a
// notification back to the object of the window that sent it; a window of
// the launcher's own classes has every message decoded here (through
// WindowProcedure, bound at its creation).
class ControlBehaviour {
public:
    ControlBehaviour() = default;
    virtual ~ControlBehaviour() = default;
    ControlBehaviour(const ControlBehaviour &) = delete;
    ControlBehaviour &operator=(const ControlBehaviour &) = delete;

    // The window was made (and bound, for the launcher's own classes).
    virtual void Attach(HWND) {}
    virtual LRESULT OnNotify(NMHDR &) { return 0; }
    virtual void OnCommand(WORD) {}
    // The window procedure of the launcher's own classes.
    virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

struct ControlWindow {
    // Its name goes first, while the window is still there; then the window,
    // whose last messages still reach the behaviour.
    void Destroy()
    {
        name.reset();
        window.reset();
    }

    Control &control;
    std::unique_ptr<ControlBehaviour> behaviour;
    UniqueWindow window;
    std::optional<ControlName> name;
    // Not given its font yet: it has not shown (see FormWindow::GiveFont).
    bool fontPending = false;
};

// The record of the control of that name whose window is there; nullptr when
// there is none.
inline const ControlWindow *FindControlWindow(std::span<const ControlWindow> windows, std::string_view name)
{
    for (const ControlWindow &record : windows)
        if (record.control.Name() == name && record.window)
            return &record;
    return nullptr;
}

// The factory of a kind's object, as the table of kinds names it.
template <typename Behaviour>
std::unique_ptr<ControlBehaviour> MakeBehaviour(Control &control, const ControlContext &context)
{
    return std::make_unique<Behaviour>(control, context);
}

}  // namespace qz::win
