// What each kind of control is to Win32: the class of its window, its styles,
// whether the tab order goes into it, and the object that decodes its
// messages. Creation, routing and the tab order all read this one table.
#pragma once

#include "../errors.h"
#include "../layout.h"
#include "control_window.h"

#include <windows.h>

#include <memory>

namespace qz::win {

struct WindowKind {
    ControlKind kind;
    const wchar_t *windowClass;
    // A class of the launcher's own, registered here and painted by its object.
    bool ownClass = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    // Holds other controls: the tab order goes through its children.
    bool container = false;
    // Its text is selected when the tab order reaches it.
    bool selectsTextOnTab = false;
    std::unique_ptr<ControlBehaviour> (*make)(Control &control, const ControlContext &context) = nullptr;
};

// The realisation of a kind; nullptr for the kinds that have no window (the
// connection and the query).
const WindowKind *WindowKindOf(ControlKind kind);

// The styles that a row's flags add (read-only, password).
DWORD FlagStyles(unsigned flags);

// Registers the window classes of the launcher's own kinds.
void RegisterOwnControlClasses(HINSTANCE instance);

// Registers the classes of the common controls that the launcher uses;
// fails when the library refuses.
Status LoadCommonControlClasses();

}  // namespace qz::win
