// The windows of the launcher's own control classes: picture box, label and
// hot zone, speed button, panel and group box, painted here. Each shows its
// control and raises its events; containers pass their children's
// notifications on to the main window.
#pragma once

#include "control_window.h"

#include <windows.h>

namespace qz::win {

class OwnControl : public ControlBehaviour {
public:
    OwnControl(Control &control, const ControlContext &context)
        : ControlBehaviour(context.errors), control_(control), context_(context)
    {}

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual void Paint(HDC dc, const RECT &client) = 0;
    // Labels and speed buttons take clicks; the others do not.
    virtual bool Clickable() const { return false; }
    virtual bool TracksPointer() const { return false; }

    Control &control_;
    ControlContext context_;
    HWND window_ = nullptr;  // bound at WM_NCCREATE
    bool pressed_ = false;
    bool hot_ = false;

private:
    void OnButtonUp(LPARAM lParam);

    HFONT font_ = nullptr;
};

class ImageWindow final : public OwnControl {
public:
    using OwnControl::OwnControl;

private:
    void Paint(HDC dc, const RECT &client) override;
};

// A label; a hot zone once transparent (no caption, the picture under it).
class LabelWindow final : public OwnControl {
public:
    using OwnControl::OwnControl;

private:
    bool Clickable() const override { return true; }
    void Paint(HDC dc, const RECT &client) override;
};

// A panel (raised edge) or a group box (etched frame under its caption).
class ContainerWindow final : public OwnControl {
public:
    using OwnControl::OwnControl;

private:
    void Paint(HDC dc, const RECT &client) override;
};

// A speed button: a flat one shows its edge only under the pointer, one that
// is not flat always; sunken while pressed. A caption, or the browse glyph.
class SpeedButtonWindow final : public OwnControl {
public:
    using OwnControl::OwnControl;

private:
    bool Clickable() const override { return true; }
    bool TracksPointer() const override { return true; }
    void Paint(HDC dc, const RECT &client) override;
};

}  // namespace qz::win
