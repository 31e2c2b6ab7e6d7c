#include "form_window.h"

#include "../errors.h"
#include "../texts.h"
#include "wide.h"
#include "window_procedure.h"

#include <commctrl.h>

namespace qz::win {

namespace {

constexpr wchar_t kApplicationClass[] = L"QzApplication";

}  // namespace

// The application's own window: zero size, it carries the task-bar entry
// and owns the main window and every message box.
class FormWindow::ApplicationWindow {
public:
    explicit ApplicationWindow(FormWindow &form) : form_(form) {}
    Services &Failures() { return form_.Failures(); }

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        HWND main = form_.MainWindow();
        switch (message) {
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                PostClose(window, main);
                return 0;
            }
            break;
        case WM_CLOSE: PostClose(window, main); return 0;
        case WM_ACTIVATE:
            // Clicking the task-bar entry activates the main window, unless a
            // message box has it disabled.
            if (LOWORD(wParam) != WA_INACTIVE && main != nullptr && IsWindowEnabled(main) && IsWindowVisible(main)) {
                SetActiveWindow(main);
                return 0;
            }
            break;
        default: break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

private:
    // The task-bar entry's close is the main window's, except while a box is
    // up or a step runs: the launcher is disabled then, and ends afterwards
    // only if asked again.
    static void PostClose(HWND window, HWND main)
    {
        if (IsWindowEnabled(window))
            PostMessageW(main, WM_CLOSE, 0, 0);
    }

    FormWindow &form_;
};

FormWindow::FormWindow(HINSTANCE instance, Platform &platform)
    : instance_(instance), platform_(platform), form_(platform), background_(instance)
{
    for (const auto &control : form_.Controls())
        control->SetObserver(this);
}

FormWindow::~FormWindow()
{
    for (const auto &control : form_.Controls())
        control->SetObserver(nullptr);
    names_.clear();
    if (IsWindow(main_))
        DestroyWindow(main_);
    if (IsWindow(application_))
        DestroyWindow(application_);
}

void FormWindow::RegisterClasses()
{
    bigIcon_.reset(static_cast<HICON>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, 32, 32, 0)));
    smallIcon_.reset(static_cast<HICON>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, 16, 16, 0)));

    WNDCLASSEXW application{};
    application.cbSize = sizeof application;
    application.lpfnWndProc = WindowProcedure<ApplicationWindow>;
    application.hInstance = instance_;
    application.hIcon = bigIcon_.get();
    application.hIconSm = smallIcon_.get();
    application.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    application.lpszClassName = kApplicationClass;
    RegisterClassExW(&application);

    WNDCLASSEXW main{};
    main.cbSize = sizeof main;
    main.style = CS_DBLCLKS;
    main.lpfnWndProc = WindowProcedure<FormWindow>;
    main.hInstance = instance_;
    main.hIcon = bigIcon_.get();
    main.hIconSm = smallIcon_.get();
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.lpszClassName = kMainWindowClass;
    RegisterClassExW(&main);

    RegisterOwnControlClasses(instance_);
}

void FormWindow::Create()
{
    RegisterClasses();
    const std::wstring title = Widen(kApplicationTitle);

    applicationWindow_ = std::make_unique<ApplicationWindow>(*this);
    application_ = CreateWindowExW(0, kApplicationClass, title.c_str(),
                                   WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                   GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                                   nullptr, instance_, applicationWindow_.get());
    if (application_ == nullptr)
        throw Error("cannot create the application window");
    // Restore, minimise and close only.
    HMENU menu = GetSystemMenu(application_, FALSE);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);

    const ControlSpec &row = FormSpec();
    main_ = CreateWindowExW(0, kMainWindowClass, Widen(row.text).c_str(), WS_POPUP | WS_CLIPCHILDREN, row.rect.left,
                            row.rect.top, kClientWidth, kClientHeight, application_, nullptr, instance_, this);
    if (main_ == nullptr)
        throw Error("cannot create the main window");
    SendMessageW(main_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(row)), FALSE);
    names_.emplace_back(main_, Widen(row.name));
    background_.SetOrigin(main_);
    platform_.Attach(application_, main_);

    for (const auto &control : form_.Controls())
        if (ShownAtStart(control->Row()))
            CreateControlWindow(*control);
}

bool FormWindow::ShownAtStart(const ControlSpec &row) const
{
    for (const ControlSpec *at = &row; at != nullptr; at = at->parent.empty() ? nullptr : FindSpec(at->parent))
        if (!form_.ControlNamed(at->name).Visible())
            return false;
    return true;
}

HWND FormWindow::ParentWindowOf(const ControlSpec &row) const
{
    if (row.parent.empty())
        return main_;
    return windows_.at(row.parent);
}

void FormWindow::CreateControlWindow(Control &control)
{
    const ControlSpec &row = control.Row();
    if (row.kind == ControlKind::Connection || row.kind == ControlKind::Query)
        return;  // not visible: no window

    DWORD style =
        WS_CHILD | WS_CLIPSIBLINGS | (control.Visible() ? WS_VISIBLE : 0u) | (control.Enabled() ? 0u : WS_DISABLED);
    DWORD exStyle = 0;
    const wchar_t *windowClass = OwnClassOf(row.kind);
    switch (row.kind) {
    case ControlKind::PushButton:
        windowClass = L"BUTTON";
        style |= BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;
        break;
    case ControlKind::Edit:
        windowClass = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL | ((row.flags & kReadOnly) ? ES_READONLY : 0u) |
                 ((row.flags & kPassword) ? ES_PASSWORD : 0u);
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::FolderTree:
        windowClass = WC_TREEVIEWW;
        style |= WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::Panel:
    case ControlKind::GroupBox:
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    default: break;
    }

    std::unique_ptr<OwnControl> own =
        MakeOwnControl(control, {background_, platform_.Pointers(), platform_, main_}, EventsOf(control));
    HWND window =
        CreateWindowExW(exStyle, windowClass, Widen(control.Text()).c_str(), style, row.rect.left, row.rect.top,
                        row.rect.width, row.rect.height, ParentWindowOf(row), nullptr, instance_, own.get());
    if (window == nullptr)
        throw Error("cannot create the window of " + std::string(row.name));
    if (own)
        ownControls_.push_back(std::move(own));
    windows_[row.name] = window;

    // Later rows lie above earlier ones.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    names_.emplace_back(window, Widen(row.name));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(row)), FALSE);
    CreateSystemControl(control, window);
    if (row.flags & kAutoWidth)
        FitWidthToText(control);
}

void FormWindow::CreateSystemControl(Control &control, HWND window)
{
    switch (control.Row().kind) {
    case ControlKind::Edit:
        if (control.Row().flags & kPassword)
            SendMessageW(window, EM_SETPASSWORDCHAR, L'*', 0);
        systemControls_.push_back(std::make_unique<EditField>(control, window));
        break;
    case ControlKind::PushButton: systemControls_.push_back(std::make_unique<PushButton>(EventsOf(control))); break;
    case ControlKind::FolderTree:
        treeView_ = std::make_unique<FolderTreeView>(form_.Folders(), platform_, EventsOf(control));
        treeView_->Attach(window, main_);
        targets_.emplace_back(window, treeView_.get());
        return;
    default: return;
    }
    targets_.emplace_back(window, systemControls_.back().get());
}

void LoadCommonControlClasses()
{
    // The tree view is the one class of the common controls that the
    // launcher uses: its buttons and edits are the system's own. Only classes
    // that every comctl32 from 5.81 on knows: without a manifest entry for
    // version 6, XP and later give version 5.82, which is reported to refuse
    // the whole call for a flag it does not know (ICC_STANDARD_CLASSES,
    // ICC_LINK_CLASS are version 6's) before it registers anything.
    constexpr DWORD kClasses = ICC_TREEVIEW_CLASSES;
    static_assert(kClasses < ICC_STANDARD_CLASSES, "a class that comctl32 before version 6 does not know");
    INITCOMMONCONTROLSEX common{};
    common.dwSize = sizeof common;
    common.dwICC = kClasses;
    if (!InitCommonControlsEx(&common))
        throw Error("Failed to load the common controls (the folder tree)");
}

void FormWindow::Show()
{
    Guarded(platform_, [this] { form_.Show(); });
    const Point at = CentredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(main_, nullptr, at.x, at.y, kClientWidth, kClientHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(application_, SW_SHOWNORMAL);
    ShowWindow(main_, SW_SHOWNORMAL);
    UpdateWindow(main_);

    // No message is handled before all windows are there. The common
    // controls (the chooser's tree) are loaded only now.
    Guarded(platform_, [] { LoadCommonControlClasses(); });
    for (const auto &control : form_.Controls())
        if (!ShownAtStart(control->Row()))
            CreateControlWindow(*control);
    // Creation put each new window on top of its siblings: back to the
    // layout's order, later rows above earlier ones.
    for (const ControlSpec &row : Layout()) {
        const auto found = windows_.find(row.name);
        if (found != windows_.end())
            SetWindowPos(found->second, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void FormWindow::ControlChanged(Control &control, Property property)
{
    const auto found = windows_.find(control.Name());
    if (found == windows_.end())
        return;
    HWND window = found->second;
    switch (property) {
    case Property::Visible: ShowWindow(window, control.Visible() ? SW_SHOWNA : SW_HIDE); break;
    case Property::Text:
        SetWindowTextW(window, Widen(control.Text()).c_str());
        if (control.Row().flags & kAutoWidth)
            FitWidthToText(control);
        InvalidateRect(window, nullptr, TRUE);
        break;
    case Property::Enabled:
        EnableWindow(window, control.Enabled() ? TRUE : FALSE);
        InvalidateRect(window, nullptr, TRUE);
        break;
    case Property::Transparent: InvalidateRect(window, nullptr, TRUE); break;
    }
}

void FormWindow::FitWidthToText(Control &control)
{
    HWND window = windows_.at(control.Name());
    SIZE size{};
    {
        const WindowDc dc(window);
        const ScopedSelect font(dc.get(), FontFor(control.Row()));
        const std::wstring text = Widen(control.Text());
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    }
    RECT rect{};
    GetWindowRect(window, &rect);
    SetWindowPos(window, nullptr, 0, 0, size.cx, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT FormWindow::FontFor(const ControlSpec &row)
{
    const FontSpec &font = row.font.face.empty() ? kFormFont : row.font;
    const auto key = std::make_tuple(font.face, font.height, font.bold);
    auto &handle = fonts_[key];
    if (!handle) {
        handle.reset(CreateFontW(-font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 kGb2312Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, Widen(font.face).c_str()));
    }
    return handle.get();
}

NotificationTarget *FormWindow::TargetOf(HWND window) const
{
    for (const auto &[handle, target] : targets_)
        if (handle == window)
            return target;
    return nullptr;
}

LRESULT FormWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    // A notification goes back to the control that sent it.
    case WM_COMMAND:
        if (NotificationTarget *target = TargetOf(reinterpret_cast<HWND>(lParam))) {
            target->OnCommand(HIWORD(wParam));
            return 0;
        }
        break;
    case WM_NOTIFY: {
        auto &header = *reinterpret_cast<NMHDR *>(lParam);
        if (NotificationTarget *target = TargetOf(header.hwndFrom))
            return target->OnNotify(header);
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
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        // A close posted before a step began waits for none: the step's
        // windows are disabled and the handler is still running.
        if (IsWindowEnabled(window))
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        // The names go while the windows that carry them are still there.
        names_.clear();
        PostQuitMessage(0);
        return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace qz::win
