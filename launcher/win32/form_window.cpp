#include "form_window.h"

#include "../errors.h"
#include "../program_folder.h"
#include "../texts.h"
#include "system.h"
#include "text.h"

#include <commctrl.h>

#include <algorithm>

namespace qz::win {

namespace {

constexpr wchar_t kApplicationClass[] = L"QzApplication";
constexpr wchar_t kControlNameProperty[] = L"QzControlName";
// Posted to the main window after a click in the folder tree.
constexpr UINT kTreeClicked = WM_APP + 1;

// Window classes of our own controls, by kind.
const wchar_t *OwnClassOf(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Image: return L"QzImage";
    case ControlKind::Label: return L"QzLabel";
    case ControlKind::Panel: return L"QzPanel";
    case ControlKind::GroupBox: return L"QzGroupBox";
    case ControlKind::SpeedButton: return L"QzSpeedButton";
    default: return nullptr;
    }
}

constexpr ControlKind kOwnKinds[] = {ControlKind::Image, ControlKind::Label, ControlKind::Panel,
                                     ControlKind::GroupBox, ControlKind::SpeedButton};

bool IsContainer(ControlKind kind)
{
    return kind == ControlKind::Panel || kind == ControlKind::GroupBox;
}

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

COLORREF TextColour(const FontSpec &font)
{
    return font.colour == kWindowTextColour ? GetSysColor(COLOR_WINDOWTEXT) : font.colour;
}

// The launcher's windows that a message box disables, to enable them again after it.
struct ThreadWindows {
    std::vector<HWND> disabled;
    static BOOL CALLBACK Disable(HWND window, LPARAM context)
    {
        auto *self = reinterpret_cast<ThreadWindows *>(context);
        if (IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            self->disabled.push_back(window);
        }
        return TRUE;
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// The form window

FormWindow::FormWindow(HINSTANCE instance) : instance_(instance), form_(*this)
{
    for (const auto &control : form_.Controls())
        control->SetObserver(this);
    form_.Folders().SetObserver(this);
}

FormWindow::~FormWindow()
{
    for (const auto &control : form_.Controls())
        control->SetObserver(nullptr);
    form_.Folders().SetObserver(nullptr);
    if (pictureDc_ && pictureDcDefault_ != nullptr)
        SelectObject(pictureDc_.get(), pictureDcDefault_);
    if (IsWindow(main_))
        DestroyWindow(main_);
    if (IsWindow(application_))
        DestroyWindow(application_);
}

void FormWindow::RegisterClasses()
{
    hand_ = LoadCursorW(instance_, L"HANDPOINT");
    if (hand_ == nullptr)
        hand_ = LoadCursorW(nullptr, IDC_HAND);
    bigIcon_ = static_cast<HICON>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, 32, 32, 0));
    smallIcon_ = static_cast<HICON>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, 16, 16, 0));

    WNDCLASSEXW application{};
    application.cbSize = sizeof application;
    application.lpfnWndProc = ApplicationProc;
    application.hInstance = instance_;
    application.hIcon = bigIcon_;
    application.hIconSm = smallIcon_;
    application.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    application.lpszClassName = kApplicationClass;
    RegisterClassExW(&application);

    const std::wstring formClass = Widen(kFormClass);
    WNDCLASSEXW main{};
    main.cbSize = sizeof main;
    main.style = CS_DBLCLKS;
    main.lpfnWndProc = MainProc;
    main.hInstance = instance_;
    main.hIcon = bigIcon_;
    main.hIconSm = smallIcon_;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.lpszClassName = formClass.c_str();
    RegisterClassExW(&main);

    for (ControlKind kind : kOwnKinds) {
        WNDCLASSEXW control{};
        control.cbSize = sizeof control;
        control.lpfnWndProc = ControlProc;
        control.hInstance = instance_;
        control.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        control.lpszClassName = OwnClassOf(kind);
        RegisterClassExW(&control);
    }
}

void FormWindow::Create()
{
    RegisterClasses();
    const std::wstring title = Widen(kApplicationTitle);

    // The application's own window: zero size, it carries the task-bar entry
    // and owns the main window and every message box.
    application_ = CreateWindowExW(0, kApplicationClass, title.c_str(),
                                   WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                   GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                                   nullptr, nullptr, instance_, this);
    if (application_ == nullptr)
        throw Error("cannot create the application window");
    // Restore, minimise and close only.
    HMENU menu = GetSystemMenu(application_, FALSE);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);

    const ControlSpec &row = FormSpec();
    const std::wstring formClass = Widen(kFormClass);
    main_ = CreateWindowExW(0, formClass.c_str(), Widen(row.text).c_str(), WS_POPUP | WS_CLIPCHILDREN,
                            row.rect.left, row.rect.top, kClientWidth, kClientHeight, application_, nullptr,
                            instance_, this);
    if (main_ == nullptr)
        throw Error("cannot create the main window");
    SendMessageW(main_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(row)), FALSE);
    SetPropW(main_, kControlNameProperty,
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(GlobalAddAtomW(Widen(kFormName).c_str()))));

    for (const auto &control : form_.Controls())
        if (ShownAtStart(control->Row()))
            CreateControlWindow(*control);
    shell_.SetOwner(main_);
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

    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control.Visible() ? WS_VISIBLE : 0u) |
                  (control.Enabled() ? 0u : WS_DISABLED);
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
    default:
        break;
    }

    std::unique_ptr<ControlWindow> own;
    if (OwnClassOf(row.kind) != nullptr)
        own = std::make_unique<ControlWindow>(*this, control);
    HWND window = CreateWindowExW(exStyle, windowClass, Widen(control.Text()).c_str(), style, row.rect.left,
                                  row.rect.top, row.rect.width, row.rect.height, ParentWindowOf(row),
                                  nullptr, instance_, own.get());
    if (window == nullptr)
        throw Error("cannot create the window of " + std::string(row.name));
    if (own)
        controlWindows_.push_back(std::move(own));

    // Later rows lie above earlier ones.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetPropW(window, kControlNameProperty,
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(GlobalAddAtomW(Widen(row.name).c_str()))));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(row)), FALSE);
    if (row.flags & kPassword)
        SendMessageW(window, EM_SETPASSWORDCHAR, L'*', 0);
    if (row.kind == ControlKind::FolderTree) {
        SendMessageW(window, TVM_SETINDENT, 19, 0);
        TreeView_SetImageList(window, SmallSystemImageList(), TVSIL_NORMAL);
        // Typed characters go through the key press handler first.
        // The form rides in the window's user data: a property lookup on each of
        // the tree's messages would cost a round trip to Wine's server.
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        treeDefaultProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeProc)));
    }
    windows_[row.name] = window;
    if (row.flags & kAutoWidth)
        FitWidthToText(control);
}

void FormWindow::Show()
{
    RunHandler(form_.Self());
    const Point at = CentredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(main_, nullptr, at.x, at.y, kClientWidth, kClientHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(application_, SW_SHOWNORMAL);
    ShowWindow(main_, SW_SHOWNORMAL);
    UpdateWindow(main_);

    // No message is handled before all windows are there. The common
    // controls (the panels' buttons, edits and tree) are loaded only now.
    INITCOMMONCONTROLSEX common{};
    common.dwSize = sizeof common;
    common.dwICC = ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&common);
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

Control *FormWindow::ControlOf(HWND window) const
{
    for (const auto &[name, handle] : windows_)
        if (handle == window)
            return &form_.ControlNamed(name);
    return nullptr;
}

void FormWindow::RunHandler(Control &sender)
{
    // The one place that reports what a handler did not handle itself; the
    // program goes on with the window as the handler left it.
    try {
        if (&sender == &form_.Self())
            form_.FormShow(sender);
        else
            form_.Click(sender);
    } catch (const std::exception &error) {
        ReportApplicationError(*this, error.what());
    } catch (...) {
        ReportApplicationError(*this, "Unknown error");
    }
}

// ---------------------------------------------------------------------------
// Services

int FormWindow::ShowMessageBox(std::string_view text, std::string_view title, unsigned flags)
{
    // Modal to the whole program: every window of the launcher is disabled
    // while the box is up, then the window that was active gets back its
    // activation and its focus.
    HWND active = GetActiveWindow();
    HWND focus = GetFocus();
    ThreadWindows windows;
    EnumThreadWindows(GetCurrentThreadId(), ThreadWindows::Disable, reinterpret_cast<LPARAM>(&windows));
    const int answer = MessageBoxW(application_, Widen(text).c_str(), Widen(title).c_str(), flags);
    for (auto it = windows.disabled.rbegin(); it != windows.disabled.rend(); ++it)
        EnableWindow(*it, TRUE);
    if (active != nullptr && IsWindow(active))
        SetActiveWindow(active);
    if (focus != nullptr && IsWindow(focus))
        SetFocus(focus);
    return answer;
}

std::string FormWindow::ProgramFolder()
{
    // The whole path, however deep the folder: no cap at MAX_PATH.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            throw Error("cannot read the program's own path");
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return FolderOfPath(Narrow(path));
}

std::unique_ptr<Registry> FormWindow::OpenRegistry()
{
    return MachineRegistry();
}

void FormWindow::ShellOpen(std::string_view path)
{
    win::ShellOpen(main_, path);
}

void FormWindow::RunHidden(std::string_view commandLine)
{
    win::RunHidden(commandLine);
}

void FormWindow::SetBusy(bool busy)
{
    busy_ = busy;
    if (busy) {
        // Paint what the handler has set so far (the status label) before
        // the window stops responding.
        RedrawWindow(main_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    } else {
        // The cursor of whatever lies under the pointer now.
        POINT at;
        if (GetCursorPos(&at))
            SetCursorPos(at.x, at.y);
    }
}

void FormWindow::CloseMainWindow()
{
    // Posted, so that the window is closed after the handler that asked for it.
    PostMessageW(main_, WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------
// Keeping windows in step with the control objects

void FormWindow::ControlChanged(Control &control, Property property)
{
    const auto found = windows_.find(control.Name());
    if (found == windows_.end())
        return;
    HWND window = found->second;
    switch (property) {
    case Property::Visible:
        // The folder tree is built when it is first shown.
        if (&control == &form_.Panel1 && control.Visible() && !form_.Folders().Built()) {
            form_.Folders().Build();
            if (FolderTree::Node *root = form_.Folders().Root()) {
                TreeView_Expand(TreeWindow(), treeItems_[root], TVE_EXPAND);
                TreeView_SelectItem(TreeWindow(), treeItems_[root]);
            }
        }
        ShowWindow(window, control.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
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
    case Property::Transparent:
        InvalidateRect(window, nullptr, TRUE);
        break;
    }
}

void FormWindow::FitWidthToText(Control &control)
{
    HWND window = windows_.at(control.Name());
    HDC dc = GetDC(window);
    SIZE size{};
    {
        ScopedSelect font(dc, FontFor(control.Row()));
        const std::wstring text = Widen(control.Text());
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    ReleaseDC(window, dc);
    RECT rect{};
    GetWindowRect(window, &rect);
    SetWindowPos(window, nullptr, 0, 0, size.cx, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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

HCURSOR FormWindow::CursorFor(const ControlSpec &row) const
{
    if (busy_)
        return LoadCursorW(nullptr, IDC_WAIT);
    return row.cursor == CursorKind::Hand ? hand_ : LoadCursorW(nullptr, IDC_ARROW);
}

// ---------------------------------------------------------------------------
// The picture

void FormWindow::EnsurePicture(HDC dc)
{
    if (pictureTried_)
        return;
    pictureTried_ = true;

    HRSRC found = FindResourceW(instance_, L"BACKGROUND", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found != nullptr ? LoadResource(instance_, found) : nullptr;
    const auto *bytes = static_cast<const std::uint8_t *>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (bytes == nullptr)
        return;
    const bool paletted = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) <= 8;
    const Picture picture = DecodeJpeg({bytes, SizeofResource(instance_, found)},
                                       paletted ? PictureDepth::Palette236 : PictureDepth::TrueColour);

    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = picture.width;
    info.header.biHeight = -picture.height;  // top-down rows
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(picture.bitsPerPixel);
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = static_cast<DWORD>(picture.palette.size());
    for (std::size_t i = 0; i < picture.palette.size(); ++i)
        info.colours[i] = {picture.palette[i].blue, picture.palette[i].green, picture.palette[i].red, 0};

    void *bits = nullptr;
    picture_.reset(CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture_)
        return;
    std::copy(picture.pixels.begin(), picture.pixels.end(), static_cast<std::uint8_t *>(bits));

    if (paletted) {
        struct {
            WORD version;
            WORD count;
            PALETTEENTRY entries[256];
        } logical{0x300, static_cast<WORD>(picture.palette.size()), {}};
        for (std::size_t i = 0; i < picture.palette.size(); ++i)
            logical.entries[i] = {picture.palette[i].red, picture.palette[i].green, picture.palette[i].blue, 0};
        palette_.reset(CreatePalette(reinterpret_cast<LOGPALETTE *>(&logical)));
    }
    pictureDc_.reset(CreateCompatibleDC(dc));
    pictureDcDefault_ = SelectObject(pictureDc_.get(), picture_.get());
}

void FormWindow::PaintPicture(HDC dc, HWND window, const RECT &area)
{
    try {
        EnsurePicture(dc);
    } catch (const std::exception &) {
        // A damaged picture leaves the button-face colour; the zones still work.
    }
    if (!pictureDc_) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    // The picture lies at the main window's client origin; find where this
    // window's client area lies on it.
    POINT origin{0, 0};
    MapWindowPoints(window, main_, &origin, 1);
    HPALETTE previous = nullptr;
    if (palette_) {
        previous = SelectPalette(dc, palette_.get(), FALSE);
        RealizePalette(dc);
    }
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, pictureDc_.get(),
           area.left + origin.x, area.top + origin.y, SRCCOPY);
    if (previous != nullptr)
        SelectPalette(dc, previous, FALSE);
}

void FormWindow::DrawGlyph(HDC dc, const RECT &area, bool enabled)
{
    if (!glyph_)
        glyph_.reset(static_cast<HBITMAP>(LoadImageW(instance_, L"BROWSEGLYPH", IMAGE_BITMAP, 0, 0, 0)));
    if (!glyph_)
        return;
    UniqueMemoryDc source(CreateCompatibleDC(dc));
    ScopedSelect select(source.get(), glyph_.get());
    const int size = 16;
    const int x = area.left + (area.right - area.left - size) / 2;
    const int y = area.top + (area.bottom - area.top - size) / 2;
    // Normal picture on the left half, disabled on the right; purple is the
    // transparent colour.
    GdiTransparentBlt(dc, x, y, size, size, source.get(), enabled ? 0 : size, 0, size, size, RGB(128, 0, 128));
}

// ---------------------------------------------------------------------------
// The folder tree

HWND FormWindow::TreeWindow() const
{
    return windows_.at("ShellTreeV");
}

HTREEITEM FormWindow::InsertTreeItem(FolderTree::Node &node, HTREEITEM parent)
{
    std::wstring text = Widen(node.folder.name);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = text.data();
    insert.item.lParam = reinterpret_cast<LPARAM>(&node);
    insert.item.cChildren = node.folder.hasSubfolders ? 1 : 0;
    // The shell is asked for an item's icons only when the item is first
    // shown: asking for them all makes a large folder slow to open.
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(
        SendMessageW(TreeWindow(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    treeItems_[&node] = item;
    return item;
}

void FormWindow::ChildrenRemoving(FolderTree::Node &node)
{
    HWND tree = TreeWindow();
    const auto found = treeItems_.find(&node);
    if (found == treeItems_.end())
        return;
    // Items first, then their nodes: no item may outlive the node it names.
    for (HTREEITEM child = TreeView_GetChild(tree, found->second); child != nullptr;) {
        HTREEITEM next = TreeView_GetNextSibling(tree, child);
        TreeView_DeleteItem(tree, child);
        child = next;
    }
    std::vector<const FolderTree::Node *> stack;
    for (const auto &child : node.children)
        stack.push_back(child.get());
    while (!stack.empty()) {
        const FolderTree::Node *gone = stack.back();
        stack.pop_back();
        treeItems_.erase(gone);
        for (const auto &child : gone->children)
            stack.push_back(child.get());
    }
}

void FormWindow::ChildrenListed(FolderTree::Node &node)
{
    HWND tree = TreeWindow();
    auto found = treeItems_.find(&node);
    // Items added under a collapsed item are not drawn; only when they show
    // (the tree's first level, a folder listed again while open) is drawing
    // held until all are in. Turning drawing back on costs the tree a full
    // recount, so it is not done when nothing shows.
    const bool shown = found == treeItems_.end() ||
                       (TreeView_GetItemState(tree, found->second, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    if (shown)
        SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    HTREEITEM parent = found != treeItems_.end() ? found->second : InsertTreeItem(node, TVI_ROOT);
    for (const auto &child : node.children)
        InsertTreeItem(*child, parent);
    if (node.children.empty()) {
        // Nothing there after all: no expand button.
        TVITEMW item{};
        item.mask = TVIF_CHILDREN;
        item.hItem = parent;
        item.cChildren = 0;
        TreeView_SetItem(tree, &item);
    }
    if (shown) {
        SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree, nullptr, TRUE);
    }
}

void FormWindow::SelectionMoved(FolderTree::Node *node)
{
    const auto found = treeItems_.find(node);
    if (found != treeItems_.end())
        TreeView_SelectItem(TreeWindow(), found->second);
}

void FormWindow::Listing(bool busy)
{
    static HCURSOR previous = nullptr;
    if (busy)
        previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    else
        SetCursor(previous != nullptr ? previous : LoadCursorW(nullptr, IDC_ARROW));
}

LRESULT FormWindow::OnTreeNotify(NMHDR &header)
{
    switch (header.code) {
    case TVN_GETDISPINFOW: {
        auto &asked = reinterpret_cast<NMTVDISPINFOW &>(header);
        const auto *node = reinterpret_cast<const FolderTree::Node *>(asked.item.lParam);
        if (node == nullptr || !node->folder.item)
            return 0;
        if (asked.item.mask & TVIF_IMAGE)
            asked.item.iImage = SmallIconIndex(*node->folder.item, false);
        if (asked.item.mask & TVIF_SELECTEDIMAGE)
            asked.item.iSelectedImage = SmallIconIndex(*node->folder.item, true);
        // The tree keeps the answer and does not ask again.
        asked.item.mask |= TVIF_DI_SETITEM;
        return 0;
    }
    case TVN_ITEMEXPANDINGW: {
        const auto &change = reinterpret_cast<const NMTREEVIEWW &>(header);
        if (change.action & TVE_EXPAND) {
            auto *node = reinterpret_cast<FolderTree::Node *>(change.itemNew.lParam);
            if (node != nullptr)
                form_.Folders().Expand(*node);
        }
        return FALSE;
    }
    case TVN_SELCHANGEDW: {
        const auto &change = reinterpret_cast<const NMTREEVIEWW &>(header);
        form_.Folders().Select(reinterpret_cast<FolderTree::Node *>(change.itemNew.lParam));
        return 0;
    }
    case NM_CLICK:
        // The tree view reports the click before it moves the selection to
        // the clicked item; the handler must see the new selection.
        PostMessageW(main_, kTreeClicked, 0, 0);
        return 0;
    case NM_RCLICK:
        ShowTreeContextMenu();
        return TRUE;
    default:
        return 0;
    }
}

void FormWindow::ShowTreeContextMenu()
{
    // The node under the pointer becomes the selection and the menu's subject.
    HWND tree = TreeWindow();
    POINT screen{};
    GetCursorPos(&screen);
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(tree, &hit.pt);
    HTREEITEM item = TreeView_HitTest(tree, &hit);
    if (item == nullptr || !(hit.flags & TVHT_ONITEM))
        return;
    TreeView_SelectItem(tree, item);
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    TreeView_GetItem(tree, &data);
    auto *node = reinterpret_cast<FolderTree::Node *>(data.lParam);
    if (node == nullptr)
        return;
    if (ShowContextMenu(main_, *node->folder.item, screen)) {
        // The command may have renamed, deleted or filled folders: the
        // folder's parent is listed again (the folder itself when it is the
        // desktop).
        form_.Folders().Relist(node->parent != nullptr ? *node->parent : *node);
    }
}

LRESULT CALLBACK FormWindow::TreeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<FormWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_CHAR) {
        const char32_t key = self->RunKeyPress(static_cast<char32_t>(wParam));
        if (key == 0)
            return 0;
        wParam = static_cast<WPARAM>(key);
    }
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return CallWindowProcW(self->treeDefaultProc_, window, message, wParam, lParam);
}

char32_t FormWindow::RunKeyPress(char32_t key)
{
    try {
        form_.ShellTreeVKeyPress(form_.ShellTreeV, key);
    } catch (const std::exception &error) {
        ReportApplicationError(*this, error.what());
    }
    return key;
}

// ---------------------------------------------------------------------------
// Tab order: the layout's tab orders, depth first through the containers.

void FormWindow::AppendTabStops(std::string_view parent, std::vector<HWND> &sequence) const
{
    std::vector<const ControlSpec *> children;
    for (const ControlSpec &row : Layout())
        if (row.parent == parent && row.tabOrder >= 0)
            children.push_back(&row);
    std::stable_sort(children.begin(), children.end(),
                     [](const ControlSpec *a, const ControlSpec *b) { return a->tabOrder < b->tabOrder; });
    for (const ControlSpec *row : children) {
        HWND window = windows_.at(row->name);
        if (!IsWindowVisible(window) || !IsWindowEnabled(window))
            continue;
        if (IsContainer(row->kind))
            AppendTabStops(row->name, sequence);
        else
            sequence.push_back(window);
    }
}

std::vector<HWND> FormWindow::TabSequence() const
{
    std::vector<HWND> sequence;
    AppendTabStops("", sequence);
    return sequence;
}

bool FormWindow::HandleTab(const MSG &message)
{
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB)
        return false;
    if (message.hwnd != main_ && !IsChild(main_, message.hwnd))
        return false;
    const std::vector<HWND> sequence = TabSequence();
    if (sequence.empty())
        return true;
    HWND focus = GetFocus();
    auto at = std::find_if(sequence.begin(), sequence.end(),
                           [focus](HWND window) { return window == focus || IsChild(window, focus); });
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    std::size_t next = 0;
    if (at != sequence.end()) {
        const std::size_t index = static_cast<std::size_t>(at - sequence.begin());
        next = backwards ? (index + sequence.size() - 1) % sequence.size() : (index + 1) % sequence.size();
    } else if (backwards) {
        next = sequence.size() - 1;
    }
    SetFocus(sequence[next]);
    wchar_t className[16] = {};
    GetClassNameW(sequence[next], className, 16);
    if (lstrcmpiW(className, L"EDIT") == 0)
        SendMessageW(sequence[next], EM_SETSEL, 0, -1);
    return true;
}

// ---------------------------------------------------------------------------
// Window procedures: each binds its object on WM_NCCREATE and forwards.

LRESULT CALLBACK FormWindow::ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams));
    auto *self = reinterpret_cast<FormWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->application_ != window)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleApplicationMessage(message, wParam, lParam);
}

LRESULT CALLBACK FormWindow::MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams));
    auto *self = reinterpret_cast<FormWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->main_ != window)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMainMessage(message, wParam, lParam);
}

LRESULT CALLBACK FormWindow::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams));
    auto *self = reinterpret_cast<ControlWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT FormWindow::HandleApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            PostMessageW(main_, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_CLOSE:
        PostMessageW(main_, WM_CLOSE, 0, 0);
        return 0;
    case WM_ACTIVATE:
        // Clicking the task-bar entry activates the main window, unless a
        // message box has it disabled.
        if (LOWORD(wParam) != WA_INACTIVE && IsWindowEnabled(main_) && IsWindowVisible(main_)) {
            SetActiveWindow(main_);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(application_, message, wParam, lParam);
}

LRESULT FormWindow::HandleMainMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            if (Control *control = ControlOf(reinterpret_cast<HWND>(lParam)))
                RunHandler(*control);
            return 0;
        }
        if (HIWORD(wParam) == EN_CHANGE) {
            HWND edit = reinterpret_cast<HWND>(lParam);
            if (Control *control = ControlOf(edit))
                control->TextEditedByUser(Narrow(WindowText(edit)));
            return 0;
        }
        break;
    case kTreeClicked:
        RunHandler(form_.ShellTreeV);
        return 0;
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR *>(lParam)->hwndFrom == TreeWindow())
            return OnTreeNotify(*reinterpret_cast<NMHDR *>(lParam));
        break;
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
    case WM_PALETTECHANGED:
        if (palette_ && !(message == WM_PALETTECHANGED && reinterpret_cast<HWND>(wParam) == main_))
            RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(main_);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(main_, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Our own control windows

LRESULT ControlWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    window_ = window;
    const ControlSpec &row = control_.Row();
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT paints everything
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SETFONT:
        SetPropW(window, L"QzFont", reinterpret_cast<HANDLE>(wParam));
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(form_.CursorFor(row));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (row.kind == ControlKind::Label || row.kind == ControlKind::SpeedButton) {
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
        if (row.kind == ControlKind::SpeedButton && !hot_) {
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
        // Containers pass their children's notifications to the main window.
        return SendMessageW(form_.MainWindow(), message, wParam, lParam);
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        RemovePropW(window, L"QzFont");
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ControlWindow::OnButtonUp(LPARAM lParam)
{
    ReleaseCapture();  // clears pressed_ through WM_CAPTURECHANGED
    pressed_ = false;
    RECT client;
    GetClientRect(window_, &client);
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (PtInRect(&client, at) && control_.Enabled())
        form_.RunHandler(control_);
}

void ControlWindow::Paint(HDC dc)
{
    RECT client;
    GetClientRect(window_, &client);
    const ControlSpec &row = control_.Row();
    HFONT font = static_cast<HFONT>(GetPropW(window_, L"QzFont"));
    ScopedSelect selectFont(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring text = Widen(control_.Text());

    switch (row.kind) {
    case ControlKind::Image:
        form_.PaintPicture(dc, window_, client);
        break;
    case ControlKind::Label:
        if (control_.Transparent())
            form_.PaintPicture(dc, window_, client);
        else
            FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        SetTextColor(dc, control_.Enabled() ? TextColour(row.font) : GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, DT_LEFT | DT_TOP | DT_NOPREFIX);
        break;
    case ControlKind::Panel:
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
        break;
    case ControlKind::GroupBox: {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        RECT frame = client;
        frame.top += metrics.tmHeight / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (!text.empty()) {
            SIZE size{};
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
            RECT caption{8, 0, 8 + size.cx + 2, metrics.tmHeight};
            FillRect(dc, &caption, GetSysColorBrush(COLOR_BTNFACE));
            SetTextColor(dc, TextColour(row.font));
            TextOutW(dc, 9, 0, text.c_str(), static_cast<int>(text.size()));
        }
        break;
    }
    case ControlKind::SpeedButton:
        PaintSpeedButton(dc, client);
        break;
    default:
        break;
    }
}

void ControlWindow::PaintSpeedButton(HDC dc, const RECT &client)
{
    const ControlSpec &row = control_.Row();
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    // Flat: the edge shows only under the pointer, sunken while pressed.
    RECT face = client;
    const bool enabled = control_.Enabled();
    if (enabled && pressed_ && hot_)
        DrawEdge(dc, &face, BDR_SUNKENOUTER, BF_RECT);
    else if (enabled && hot_)
        DrawEdge(dc, &face, BDR_RAISEDINNER, BF_RECT);
    if (pressed_ && hot_)
        OffsetRect(&face, 1, 1);
    if (row.flags & kGlyph) {
        form_.DrawGlyph(dc, face, enabled);
        return;
    }
    const std::wstring text = Widen(control_.Text());
    if (enabled) {
        SetTextColor(dc, TextColour(row.font));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &face,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    } else {
        // Disabled text: embossed, as Windows draws it.
        RECT shadow = face;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &shadow,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &face,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

}  // namespace qz::win
