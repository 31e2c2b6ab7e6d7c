#include "painted_controls.h"

#include "wide.h"

#include <string>

namespace qz::win {

namespace {

COLORREF TextColour(const FontSpec &font)
{
    return font.colour == kWindowTextColour ? GetSysColor(COLOR_WINDOWTEXT) : font.colour;
}

class OwnControl : public ControlBehaviour {
public:
    OwnControl(Control &control, const ControlContext &context) : control_(control), context_(context) {}

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual void Paint(HDC dc, const RECT &client) = 0;
    // Labels and speed buttons take clicks; the others do not.
    virtual bool Clickable() const { return false; }
    virtual bool TracksPointer() const { return false; }

    Control &control_;
    const ControlContext &context_;
    HWND window_ = nullptr;  // bound at WM_NCCREATE
    bool pressed_ = false;
    bool hot_ = false;

private:
    void OnButtonUp(LPARAM lParam);

    HFONT font_ = nullptr;
};

LRESULT OwnControl::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: window_ = window; break;
    case WM_ERASEBKGND: return 1;  // WM_PAINT paints everything
    case WM_PAINT: {
        const PaintDc paint(window);
        RECT client;
        GetClientRect(window, &client);
        const ScopedSelect font(paint.get(),
                                font_ != nullptr ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(paint.get(), TRANSPARENT);
        Paint(paint.get(), client);
        return 0;
    }
    case WM_SETFONT: font_ = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_SETCURSOR:
        // A disabled window is hit as HTERROR: busy, it shows the wait too.
        if (LOWORD(lParam) == HTCLIENT || context_.cursors.Busy()) {
            SetCursor(context_.cursors.For(control_.Row().cursor));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (Clickable()) {
            pressed_ = true;
            SetCapture(window);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (pressed_) {
            OnButtonUp(lParam);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        pressed_ = false;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_MOUSEMOVE:
        if (TracksPointer() && !hot_) {
            hot_ = true;
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof track;
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = window;
            TrackMouseEvent(&track);
            InvalidateRect(window, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        hot_ = false;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        // Containers pass their children's notifications on.
        return SendMessageW(context_.main, message, wParam, lParam);
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void OwnControl::OnButtonUp(LPARAM lParam)
{
    ReleaseCapture();  // clears pressed_ through WM_CAPTURECHANGED
    pressed_ = false;
    RECT client;
    GetClientRect(window_, &client);
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (PtInRect(&client, at) && control_.Enabled())
        context_.events.Click(control_);
}

class ImageWindow final : public OwnControl {
public:
    using OwnControl::OwnControl;

private:
    void Paint(HDC dc, const RECT &client) override { context_.background.Paint(dc, window_, client); }
};

class LabelWindow final : public OwnControl {
public:
    using OwnControl::OwnControl;

private:
    bool Clickable() const override { return true; }
    void Paint(HDC dc, const RECT &client) override
    {
        if (control_.Transparent())
            context_.background.Paint(dc, window_, client);
        else
            FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        const std::wstring text = Widen(control_.Text());
        RECT area = client;
        SetTextColor(dc, control_.Enabled() ? TextColour(control_.Row().font) : GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_LEFT | DT_TOP | DT_NOPREFIX);
    }
};

class ContainerWindow final : public OwnControl {
public:
    using OwnControl::OwnControl;

private:
    void Paint(HDC dc, const RECT &client) override
    {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        if (control_.Row().kind == ControlKind::Panel) {
            RECT edge = client;
            DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
            return;
        }
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        RECT frame = client;
        frame.top += metrics.tmHeight / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        const std::wstring text = Widen(control_.Text());
        if (text.empty())
            return;
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        RECT caption{8, 0, 8 + size.cx + 2, metrics.tmHeight};
        FillRect(dc, &caption, GetSysColorBrush(COLOR_BTNFACE));
        SetTextColor(dc, TextColour(control_.Row().font));
        TextOutW(dc, 9, 0, text.c_str(), static_cast<int>(text.size()));
    }
};

class SpeedButtonWindow final : public OwnControl {
public:
    using OwnControl::OwnControl;

private:
    bool Clickable() const override { return true; }
    bool TracksPointer() const override { return true; }
    void Paint(HDC dc, const RECT &client) override
    {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        RECT face = client;
        const bool enabled = control_.Enabled();
        const bool raised = (control_.Row().flags & kRaised) != 0;
        if (enabled && pressed_ && hot_)
            DrawEdge(dc, &face, raised ? EDGE_SUNKEN : BDR_SUNKENOUTER, BF_RECT);
        else if (raised)
            DrawEdge(dc, &face, EDGE_RAISED, BF_RECT);
        else if (enabled && hot_)
            DrawEdge(dc, &face, BDR_RAISEDINNER, BF_RECT);
        if (pressed_ && hot_)
            OffsetRect(&face, 1, 1);
        if (control_.Row().flags & kGlyph) {
            context_.background.DrawGlyph(dc, face, enabled);
            return;
        }
        const std::wstring text = Widen(control_.Text());
        constexpr UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
        if (enabled) {
            SetTextColor(dc, TextColour(control_.Row().font));
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &face, kCentred);
            return;
        }
        // Disabled text: embossed, as Windows draws it.
        RECT shadow = face;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &shadow, kCentred);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &face, kCentred);
    }
};

}  // namespace

std::unique_ptr<ControlBehaviour> MakeImage(Control &control, const ControlContext &context)
{
    return MakeBehaviour<ImageWindow>(control, context);
}

std::unique_ptr<ControlBehaviour> MakeLabel(Control &control, const ControlContext &context)
{
    return MakeBehaviour<LabelWindow>(control, context);
}

std::unique_ptr<ControlBehaviour> MakeContainer(Control &control, const ControlContext &context)
{
    return MakeBehaviour<ContainerWindow>(control, context);
}

std::unique_ptr<ControlBehaviour> MakeSpeedButton(Control &control, const ControlContext &context)
{
    return MakeBehaviour<SpeedButtonWindow>(control, context);
}

}  // namespace qz::win
