// The windows of the launcher's controls: its own classes (picture box,
// label and hot zone, speed button, panel and group box), painted here, and
// the small objects that decode the notifications of the system's edit
// fields and buttons. Each takes what it needs as arguments: the control it
// shows, the background, the cursors, a click callback.
#pragma once

#include "../controls.h"
#include "../form.h"
#include "../services.h"
#include "background.h"
#include "platform.h"

#include <windows.h>

#include <memory>

namespace qz::win {

// A child window that decodes its own notifications, which its parent's
// window procedure passes back to it by the sender's handle.
class NotificationTarget {
public:
    virtual ~NotificationTarget() = default;
    virtual LRESULT OnNotify(NMHDR &) { return 0; }
    virtual void OnCommand(WORD) {}
};

// What a control's window runs when the operator clicks it or types into
// it: the form's events for that control (a plain pair, no type erasure).
struct ControlEvents {
    TForm_qz *form = nullptr;
    Control *control = nullptr;

    void Click() const
    {
        if (form != nullptr)
            form->Click(*control);
    }
    void KeyPress(char32_t &key) const
    {
        if (form != nullptr)
            form->KeyPress(*control, key);
    }
};

// What every window of our own control classes is given.
struct ControlContext {
    Background &background;
    const Cursors &cursors;
    Services &failures;
    HWND notifications;  // where containers pass their children's notifications
};

class OwnControl {
public:
    OwnControl(Control &control, const ControlContext &context, ControlEvents events)
        : control_(control), context_(context), events_(events)
    {}
    virtual ~OwnControl() = default;
    OwnControl(const OwnControl &) = delete;
    OwnControl &operator=(const OwnControl &) = delete;

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    Services &Failures() { return context_.failures; }

protected:
    virtual void Paint(HDC dc, const RECT &client) = 0;
    // Labels and speed buttons take clicks; the others do not.
    virtual bool Clickable() const { return false; }
    virtual bool TracksPointer() const { return false; }

    Control &control_;
    ControlContext context_;
    HWND window_ = nullptr;
    bool pressed_ = false;
    bool hot_ = false;

private:
    void OnButtonUp(LPARAM lParam);

    ControlEvents events_;
    HFONT font_ = nullptr;
};

// Registers the window classes of our own controls.
void RegisterOwnControlClasses(HINSTANCE instance);
// The window class of a kind of our own, or nullptr for a system control.
const wchar_t *OwnClassOf(ControlKind kind);
// The object of a control of our own kind (see OwnClassOf).
std::unique_ptr<OwnControl> MakeOwnControl(Control &control, const ControlContext &context, ControlEvents events);

// The system's edit field: what the operator types goes to its control.
class EditField final : public NotificationTarget {
public:
    EditField(Control &control, HWND window) : control_(control), window_(window) {}
    void OnCommand(WORD code) override;

private:
    Control &control_;
    HWND window_;
};

// The system's push button: a press is a click.
class PushButton final : public NotificationTarget {
public:
    explicit PushButton(ControlEvents events) : events_(events) {}
    void OnCommand(WORD code) override;

private:
    ControlEvents events_;
};

}  // namespace qz::win
