// The system's own controls as the launcher uses them: what decodes the
// notifications of an edit field and of a push button.
#pragma once

#include "control_window.h"

#include <windows.h>

namespace qz::win {

// The system's edit field: what the operator types goes to its control; a
// password field shows "*" for every character.
class EditField final : public ControlBehaviour {
public:
    EditField(Control &control, const ControlContext &) : control_(control) {}
    void Attach(HWND window) override;
    void OnCommand(WORD code) override;

private:
    Control &control_;
    HWND window_ = nullptr;
};

// The system's push button: a press is a click.
class PushButton final : public ControlBehaviour {
public:
    PushButton(Control &control, const ControlContext &context) : control_(control), events_(context.events) {}
    void OnCommand(WORD code) override;

private:
    Control &control_;
    ControlEvents &events_;
};

}  // namespace qz::win
