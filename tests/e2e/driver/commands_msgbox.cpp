// Commands about message boxes: msgbox, msgbox-press, wait-no-msgbox.
#include "commands.h"
#include "input.h"
#include "output.h"
#include "wait.h"
#include "window_query.h"

#include <algorithm>

namespace qzdrive {

namespace {

constexpr UINT kSendTimeoutMs = 2000;

// The processes whose message boxes count: --pid; any with --any (an empty
// set); else the launcher's, or any when no launcher window is open.
std::set<DWORD> BoxProcesses(const Args &args)
{
    if (args.Has(L"any"))
        return {};
    if (const auto pid = PidOption(args))
        return {*pid};
    return LauncherProcesses();
}

// The visible buttons of a box, from left to right.
std::vector<HWND> Buttons(HWND box)
{
    std::vector<HWND> buttons;
    for (HWND child : Descendants(box)) {
        if (IsWindowVisible(child) && SameName(ClassName(child), L"Button"))
            buttons.push_back(child);
    }
    std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
        const Rect ra = ScreenRect(a);
        const Rect rb = ScreenRect(b);
        return ra.left != rb.left ? ra.left < rb.left : ra.top < rb.top;
    });
    return buttons;
}

// The button drawn as the default one (BS_DEFPUSHBUTTON), else the one the
// dialog names with DM_GETDEFID.
std::optional<int> DefaultButton(HWND box, const std::vector<HWND> &buttons)
{
    for (HWND button : buttons) {
        if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return GetDlgCtrlID(button);
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(box, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return std::nullopt;
    if (HIWORD(result) != DC_HASDEFID)
        return std::nullopt;
    return LOWORD(result);
}

// The button that has the keyboard focus in the box's thread.
std::optional<int> FocusedButton(HWND box, const std::vector<HWND> &buttons)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(ThreadOf(box), &info))
        return std::nullopt;
    for (HWND button : buttons) {
        if (button == info.hwndFocus)
            return GetDlgCtrlID(button);
    }
    return std::nullopt;
}

HWND WaitBox(const Args &args)
{
    const std::set<DWORD> pids = BoxProcesses(args);
    const auto title = args.Value(L"title");
    const long long timeout = TimeoutOption(args);
    HWND box = Deadline(timeout).Poll([&]() -> HWND {
        const auto boxes = FindMessageBoxes(pids, title);
        return boxes.empty() ? nullptr : boxes.front();
    });
    if (!box)
        throw Failure{L"no message box within " + std::to_wstring(timeout) + L" ms"};
    return box;
}

bool ButtonMatches(HWND button, std::optional<long long> id, const std::optional<std::wstring> &text)
{
    if (id)
        return GetDlgCtrlID(button) == *id;
    const auto forms = ButtonTextForms(WindowText(button));
    return std::find(forms.begin(), forms.end(), *text) != forms.end();
}

}  // namespace

void MsgBoxCommand(const Words &words)
{
    const Args args(words, {L"pid", L"title", L"timeout-ms"}, {L"any"});
    args.ExpectPositional(0, 0, L"only options");
    HWND box = WaitBox(args);
    HWND owner = GetWindow(box, GW_OWNER);
    HWND textControl = GetDlgItem(box, kMessageTextId);
    HWND main = FindMainWindow(ProcessOf(box));
    Emit("hwnd", Hex(box));
    Emit("pid", ProcessOf(box));
    Emit("title", WindowText(box));
    Emit("text", textControl ? WindowText(textControl) : L"");
    Emit("rect", ScreenRect(box).ToString());
    Emit("owner", Hex(owner));
    Emit("owner_title", owner ? WindowText(owner) : L"");
    Emit("owner_class", owner ? ClassName(owner) : L"");
    Emit("main", Hex(main));
    Emit("main_disabled", main ? (IsWindowEnabled(main) ? L"0" : L"1") : L"");
    const auto buttons = Buttons(box);
    std::wstring ids;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const std::string prefix = "button_" + std::to_string(i + 1) + "_";
        Emit(prefix + "id", GetDlgCtrlID(buttons[i]));
        Emit(prefix + "text", WindowText(buttons[i]));
        ids += (i ? L"," : L"") + std::to_wstring(GetDlgCtrlID(buttons[i]));
    }
    Emit("buttons", static_cast<long long>(buttons.size()));
    Emit("button_ids", ids);
    const auto defaultButton = DefaultButton(box, buttons);
    Emit("default_button", defaultButton ? std::to_wstring(*defaultButton) : L"");
    const auto focusedButton = FocusedButton(box, buttons);
    Emit("focus_button", focusedButton ? std::to_wstring(*focusedButton) : L"");
}

void MsgBoxPressCommand(const Words &words)
{
    const Args args(words, {L"pid", L"title", L"timeout-ms", L"id", L"text"}, {L"click", L"no-wait", L"any"});
    args.ExpectPositional(0, 0, L"only options");
    const auto id = args.Integer(L"id");
    const auto text = args.Value(L"text");
    if (id.has_value() == text.has_value())
        throw UsageError{L"msgbox-press needs --id or --text"};
    const long long timeout = TimeoutOption(args);
    const Deadline deadline(timeout);
    HWND box = WaitBox(args);
    HWND button = deadline.Poll([&]() -> HWND {
        for (HWND candidate : Buttons(box)) {
            if (ButtonMatches(candidate, id, text))
                return candidate;
        }
        return nullptr;
    });
    if (!button) {
        const std::wstring wanted = id ? L"with id " + std::to_wstring(*id) : L"'" + *text + L"'";
        throw Failure{L"the message box has no button " + wanted};
    }
    const int buttonId = GetDlgCtrlID(button);
    const std::wstring buttonText = WindowText(button);
    if (args.Has(L"click"))
        RealClick(ScreenRect(button).Centre());
    else
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    Emit("hwnd", Hex(box));
    Emit("pressed_id", buttonId);
    Emit("pressed_text", buttonText);
    if (args.Has(L"no-wait")) {
        EmitFlag("closed", !IsWindow(box) || !IsWindowVisible(box));
        return;
    }
    const bool closed = deadline.Poll([&] { return !IsWindow(box) || !IsWindowVisible(box); });
    if (!closed)
        throw Failure{L"the message box is still up " + std::to_wstring(timeout) + L" ms after the press"};
    EmitFlag("closed", true);
}

void WaitNoMsgBoxCommand(const Words &words)
{
    const Args args(words, {L"pid", L"title", L"timeout-ms"}, {L"any"});
    args.ExpectPositional(0, 0, L"only options");
    const std::set<DWORD> pids = BoxProcesses(args);
    const auto title = args.Value(L"title");
    const long long timeout = TimeoutOption(args);
    const Deadline deadline(timeout);
    const bool none = deadline.Poll([&] { return FindMessageBoxes(pids, title).empty(); });
    if (!none)
        throw Failure{L"a message box is still up after " + std::to_wstring(timeout) + L" ms"};
    Emit("msgboxes", 0LL);
    Emit("waited_ms", deadline.ElapsedMs());
}

}  // namespace qzdrive
