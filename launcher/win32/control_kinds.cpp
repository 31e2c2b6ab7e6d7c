#include "control_kinds.h"

#include "folder_tree_view.h"
#include "painted_controls.h"
#include "system_controls.h"
#include "window_procedure.h"

#include <commctrl.h>

namespace qz::win {

namespace {

std::unique_ptr<ControlBehaviour> MakeFolderTree(Control &control, const ControlContext &context)
{
    return std::make_unique<FolderTreeView>(context.folders, context.events, control, context.main);
}

// A panel or a group box: it clips what it holds, and dialog navigation goes
// into it.
constexpr WindowKind Container(ControlKind kind, const wchar_t *windowClass)
{
    return {.kind = kind,
            .windowClass = windowClass,
            .ownClass = true,
            .style = WS_CLIPCHILDREN,
            .exStyle = WS_EX_CONTROLPARENT,
            .container = true,
            .make = MakeContainer};
}

const WindowKind kKinds[] = {
    {.kind = ControlKind::Image, .windowClass = L"QzImage", .ownClass = true, .make = MakeImage},
    {.kind = ControlKind::Label, .windowClass = L"QzLabel", .ownClass = true, .make = MakeLabel},
    Container(ControlKind::Panel, L"QzPanel"),
    Container(ControlKind::GroupBox, L"QzGroupBox"),
    {.kind = ControlKind::SpeedButton, .windowClass = L"QzSpeedButton", .ownClass = true, .make = MakeSpeedButton},
    {.kind = ControlKind::PushButton,
     .windowClass = L"BUTTON",
     .style = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP,
     .make = MakeBehaviour<PushButton>},
    {.kind = ControlKind::Edit,
     .windowClass = L"EDIT",
     .style = WS_TABSTOP | ES_AUTOHSCROLL,
     .exStyle = WS_EX_CLIENTEDGE,
     .selectsTextOnTab = true,
     .make = MakeBehaviour<EditField>},
    {.kind = ControlKind::FolderTree,
     .windowClass = WC_TREEVIEWW,
     .style = WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS,
     .exStyle = WS_EX_CLIENTEDGE,
     .make = MakeFolderTree},
};

}  // namespace

const WindowKind *WindowKindOf(ControlKind kind)
{
    for (const WindowKind &row : kKinds)
        if (row.kind == kind)
            return &row;
    return nullptr;
}

DWORD FlagStyles(unsigned flags)
{
    return ((flags & kReadOnly) ? ES_READONLY : 0u) | ((flags & kPassword) ? ES_PASSWORD : 0u);
}

void RegisterOwnControlClasses(HINSTANCE instance)
{
    for (const WindowKind &row : kKinds) {
        if (!row.ownClass)
            continue;
        WNDCLASSEXW control{};
        control.cbSize = sizeof control;
        control.lpfnWndProc = WindowProcedure<ControlBehaviour>;
        control.hInstance = instance;
        control.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        control.lpszClassName = row.windowClass;
        RegisterClassExW(&control);
    }
}

Status LoadCommonControlClasses()
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
        return Error("Failed to load the common controls (the folder tree)");
    return {};
}

}  // namespace qz::win
