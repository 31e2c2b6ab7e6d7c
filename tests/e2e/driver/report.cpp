#include "report.h"

#include "output.h"
#include "window_query.h"

namespace qzdrive {

void EmitWindow(HWND window, const std::string &prefix)
{
    const Rect rect = ScreenRect(window);
    const Rect client = ClientRect(window);
    HWND owner = GetWindow(window, GW_OWNER);
    Emit(prefix + "hwnd", Hex(window));
    Emit(prefix + "pid", ProcessOf(window));
    Emit(prefix + "title", WindowText(window));
    Emit(prefix + "class", ClassName(window));
    Emit(prefix + "x", rect.left);
    Emit(prefix + "y", rect.top);
    Emit(prefix + "width", rect.Width());
    Emit(prefix + "height", rect.Height());
    Emit(prefix + "rect", rect.ToString());
    Emit(prefix + "client_width", client.Width());
    Emit(prefix + "client_height", client.Height());
    Emit(prefix + "style", Hex(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE))));
    Emit(prefix + "exstyle", Hex(static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE))));
    Emit(prefix + "owner", Hex(owner));
    Emit(prefix + "owner_title", owner ? WindowText(owner) : L"");
    Emit(prefix + "owner_class", owner ? ClassName(owner) : L"");
    EmitFlag(prefix + "visible", IsWindowVisible(window));
    EmitFlag(prefix + "enabled", IsWindowEnabled(window));
}

void EmitControl(HWND control, HWND main, const std::string &prefix)
{
    HWND parent = GetAncestor(control, GA_PARENT);
    const Rect screen = ScreenRect(control);
    const Rect inParent = RectIn(control, parent);
    const Rect inMain = RectIn(control, main);
    Emit(prefix + "name", qz::win::ControlNameOf(control));
    Emit(prefix + "hwnd", Hex(control));
    Emit(prefix + "class", ClassName(control));
    Emit(prefix + "text", WindowText(control));
    Emit(prefix + "id", GetDlgCtrlID(control));
    EmitFlag(prefix + "visible", IsWindowVisible(control));
    EmitFlag(prefix + "enabled", IsWindowEnabled(control));
    Emit(prefix + "x", screen.left);
    Emit(prefix + "y", screen.top);
    Emit(prefix + "width", screen.Width());
    Emit(prefix + "height", screen.Height());
    Emit(prefix + "rect", screen.ToString());
    Emit(prefix + "parent", Hex(parent));
    Emit(prefix + "parent_x", inParent.left);
    Emit(prefix + "parent_y", inParent.top);
    Emit(prefix + "parent_rect", inParent.ToString());
    Emit(prefix + "main", Hex(main));
    Emit(prefix + "main_x", inMain.left);
    Emit(prefix + "main_y", inMain.top);
    Emit(prefix + "main_rect", inMain.ToString());
}

}  // namespace qzdrive
