#include "form_window.h"

#include "../errors.h"
#include "control_kinds.h"
#include "shell_namespace_win32.h"
#include "tab_navigation.h"
#include "wide.h"
#include "window_procedure.h"

namespace qz::win {

FormWindow::FormWindow(HINSTANCE instance, Platform &platform)
    : instance_(instance), platform_(platform), form_(platform), background_(instance),
      icons_(instance), context_{form_, background_, platform.Pointers(), form_.Folders()}
{
    for (const auto &control : form_.Controls())
        control->SetObserver(this);
}

FormWindow::~FormWindow()
{
    for (const auto &control : form_.Controls())
        control->SetObserver(nullptr);
    // Its children go with it, in WM_DESTROY, while this object is whole.
    main_.reset();
}

void FormWindow::RegisterMainClass()
{
    WNDCLASSEXW main{};
    main.cbSize = sizeof main;
    main.style = CS_DBLCLKS;
    main.lpfnWndProc = WindowProcedure<FormWindow>;
    main.hInstance = instance_;
    main.hIcon = icons_.big.get();
    main.hIconSm = icons_.small.get();
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.lpszClassName = kMainWindowClass;
    RegisterClassExW(&main);
}

Status FormWindow::Create()
{
    if (Status made = application_.Create(instance_, icons_); !made)
        return made;
    RegisterMainClass();
    RegisterOwnControlClasses(instance_);

    const ControlSpec &row = FormSpec();
    // Made where it shows, centred on the screen: not moved there later.
    const Point at = CentredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    main_.reset(CreateWindowExW(0, kMainWindowClass, Widen(row.text).c_str(), WS_POPUP | WS_CLIPCHILDREN, at.x, at.y,
                                kClientWidth, kClientHeight, application_.Window(), nullptr, instance_, this));
    if (!main_)
        return Error("cannot create the main window");
    SendMessageW(main_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.For(row.font)), FALSE);
    mainName_.emplace(main_.get(), Widen(row.name));
    context_.main = main_.get();
    application_.SetMainWindow(main_.get());
    background_.SetOrigin(main_.get());
    platform_.Attach(application_.Window(), main_.get());

    for (const auto &control : form_.Controls())
        if (VisibleWithParents(control->Row()))
            if (Status made = CreateControlWindow(*control); !made)
                return made;
    return {};
}

bool FormWindow::VisibleWithParents(const ControlSpec &row) const
{
    for (const ControlSpec *at = &row; at != nullptr; at = at->parent.empty() ? nullptr : FindSpec(at->parent))
        if (!form_.ControlNamed(at->name).Visible())
            return false;
    return true;
}

HWND FormWindow::WindowNamed(std::string_view name) const
{
    if (name.empty())
        return main_.get();
    if (const ControlWindow *record = FindControlWindow(windows_, name))
        return record->window.get();
    // Rows come after their parents': a miss is a fault of the program.
    Fatal("no window made for " + std::string(name));
}

ControlWindow *FormWindow::RecordOf(HWND window)
{
    for (ControlWindow &record : windows_)
        if (record.window.get() == window)
            return &record;
    return nullptr;
}

ControlWindow *FormWindow::RecordOf(const Control &control)
{
    for (ControlWindow &record : windows_)
        if (&record.control == &control)
            return &record;
    return nullptr;
}

Status FormWindow::CreateControlWindow(Control &control)
{
    const ControlSpec &row = control.Row();
    const WindowKind *kind = WindowKindOf(row.kind);
    if (kind == nullptr)
        return {};  // not visible: no window

    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control.Visible() ? WS_VISIBLE : 0u) |
                        (control.Enabled() ? 0u : WS_DISABLED) | kind->style | FlagStyles(row.flags);
    ControlWindow &record = windows_.emplace_back(ControlWindow{control, kind->make(control, context_), {}, {}});
    record.window.reset(CreateWindowExW(kind->exStyle, kind->windowClass, Widen(control.Text()).c_str(), style,
                                        row.rect.left, row.rect.top, row.rect.width, row.rect.height,
                                        WindowNamed(row.parent), nullptr, instance_,
                                        kind->ownClass ? record.behaviour.get() : nullptr));
    HWND window = record.window.get();
    if (window == nullptr)
        return Error("cannot create the window of " + std::string(row.name));

    // Later rows lie above earlier ones.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    record.name.emplace(window, Widen(row.name));
    record.behaviour->Attach(window);
    // A font is realised (its face read) when a window takes it: a window
    // that does not show yet takes its font when it first shows.
    record.fontPending = true;
    if (VisibleWithParents(row))
        GiveFont(record);
    return {};
}

void FormWindow::GiveFont(ControlWindow &record)
{
    record.fontPending = false;
    SendMessageW(record.window.get(), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.For(record.control.Row().font)),
                 FALSE);
    if (record.control.Row().flags & kAutoWidth)
        FitWidthToText(record);
}

void FormWindow::GiveFontsToShownWindows()
{
    for (ControlWindow &record : windows_)
        if (record.fontPending && VisibleWithParents(record.control.Row()))
            GiveFont(record);
}

Status FormWindow::Show()
{
    Guarded(platform_, [this] { form_.Show(); });
    ShowWindow(application_.Window(), SW_SHOWNORMAL);
    ShowWindow(main_.get(), SW_SHOWNORMAL);
    UpdateWindow(main_.get());

    // No message is handled before all windows are there. The common
    // controls (the chooser's tree) are loaded only now.
    Guarded(platform_, [] { return LoadCommonControlClasses(); });
    for (const auto &control : form_.Controls())
        if (!VisibleWithParents(control->Row()))
            if (Status made = CreateControlWindow(*control); !made)
                return made;
    // Creation put each new window on top of its siblings: back to the
    // layout's order, later rows above earlier ones.
    for (const auto &control : form_.Controls())
        if (const ControlWindow *record = RecordOf(*control))
            SetWindowPos(record->window.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return {};
}

bool FormWindow::HandleTab(const MSG &message) const
{
    return MoveFocusForTab(message, main_.get(), windows_);
}

void FormWindow::ControlChanged(Control &control, Property property)
{
    ControlWindow *record = RecordOf(control);
    if (record == nullptr || !record->window)
        return;
    HWND window = record->window.get();
    switch (property) {
    case Property::Visible:
        if (control.Visible())
            GiveFontsToShownWindows();
        ShowWindow(window, control.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case Property::Text:
        SetWindowTextW(window, Widen(control.Text()).c_str());
        if ((control.Row().flags & kAutoWidth) && !record->fontPending)
            FitWidthToText(*record);
        InvalidateRect(window, nullptr, TRUE);
        break;
    case Property::Enabled:
        EnableWindow(window, control.Enabled() ? TRUE : FALSE);
        InvalidateRect(window, nullptr, TRUE);
        break;
    case Property::Transparent: InvalidateRect(window, nullptr, TRUE); break;
    }
}

void FormWindow::FitWidthToText(ControlWindow &record)
{
    HWND window = record.window.get();
    SIZE size{};
    {
        const WindowDc dc(window);
        const ScopedSelect font(dc.get(), fonts_.For(record.control.Row().font));
        const std::wstring text = Widen(record.control.Text());
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    }
    RECT rect{};
    GetWindowRect(window, &rect);
    SetWindowPos(window, nullptr, 0, 0, size.cx, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::DestroyControlWindows()
{
    for (auto record = windows_.rbegin(); record != windows_.rend(); ++record)
        record->Destroy();
    mainName_.reset();
}

LRESULT FormWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    // A notification goes back to the control that sent it.
    case WM_COMMAND:
        if (ControlWindow *sender = RecordOf(reinterpret_cast<HWND>(lParam))) {
            sender->behaviour->OnCommand(HIWORD(wParam));
            return 0;
        }
        break;
    case WM_NOTIFY: {
        auto &header = *reinterpret_cast<NMHDR *>(lParam);
        if (ControlWindow *sender = RecordOf(header.hwndFrom))
            return sender->behaviour->OnNotify(header);
        break;
    }
    case WM_INITMENUPOPUP:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_MENUCHAR: {
        LRESULT result = 0;
        if (ForwardContextMenuMessage(message, wParam, lParam, &result))
            return result;
        break;
    }
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED: return background_.OnPaletteMessage(message, wParam) ? TRUE : FALSE;
    case WM_SETCURSOR:
        // Over the disabled windows of a running step too.
        if (platform_.Pointers().Busy()) {
            SetCursor(Cursors::Wait());
            return TRUE;
        }
        break;
    case WM_CLOSE:
        // A close posted before a step began waits for none: the step's
        // windows are disabled and the handler is still running.
        if (IsWindowEnabled(window))
            main_.reset();
        return 0;
    case WM_DESTROY:
        DestroyControlWindows();
        PostQuitMessage(0);
        return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace qz::win
