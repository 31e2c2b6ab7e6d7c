// Commands about the launcher's named controls, and input to them: control,
// controls, get-text, set-text, type, key, click, post-click.
#include "commands.h"
#include "input.h"
#include "output.h"
#include "report.h"
#include "wait.h"
#include "window_query.h"

namespace qzdrive {

namespace {

constexpr UINT kSendTimeoutMs = 2000;

struct Found {
    HWND main = nullptr;
    HWND control = nullptr;
};

// Waits for the launcher's main window and its control called name.
Found WaitControl(const Args &args, const std::wstring &name)
{
    const long long timeout = TimeoutOption(args);
    const auto pid = PidOption(args);
    Found found;
    Deadline(timeout).Poll([&] {
        found.main = FindMainWindow(pid);
        found.control = found.main ? FindControl(found.main, name) : nullptr;
        return found.control != nullptr;
    });
    if (!found.main)
        throw Failure{L"no launcher main window (class TForm_qz) within " + std::to_wstring(timeout) + L" ms"};
    if (!found.control)
        throw Failure{L"no control named '" + name + L"' within " + std::to_wstring(timeout) + L" ms"};
    return found;
}

// A 0/1 option.
std::optional<bool> BoolOption(const Args &args, const std::wstring &name)
{
    const auto value = args.Integer(name);
    if (!value)
        return std::nullopt;
    if (*value != 0 && *value != 1)
        throw UsageError{L"option --" + name + L" takes 0 or 1"};
    return *value == 1;
}

// Where a click goes: --control NAME (its centre, or --x/--y in its client
// area), or --x/--y in the main window's client area.
struct ClickPoint {
    HWND main = nullptr;
    POINT screen = {};
};

ClickPoint ResolveClickPoint(const Args &args)
{
    const auto x = args.Integer(L"x");
    const auto y = args.Integer(L"y");
    if (x.has_value() != y.has_value())
        throw UsageError{L"give both --x and --y, or neither"};
    ClickPoint point;
    if (const auto name = args.Value(L"control")) {
        const Found found = WaitControl(args, *name);
        point.main = found.main;
        if (x) {
            point.screen = {static_cast<LONG>(*x), static_cast<LONG>(*y)};
            ClientToScreen(found.control, &point.screen);
        } else {
            point.screen = ScreenRect(found.control).Centre();
        }
        return point;
    }
    if (!x)
        throw UsageError{L"give --control NAME, or --x and --y in the main window's client area"};
    point.main = WaitMain(args);
    point.screen = {static_cast<LONG>(*x), static_cast<LONG>(*y)};
    ClientToScreen(point.main, &point.screen);
    return point;
}

void EmitTarget(POINT screen, HWND target)
{
    Emit("x", screen.x);
    Emit("y", screen.y);
    Emit("target", Hex(target));
    Emit("target_class", target ? ClassName(target) : L"");
    Emit("target_name", target ? qz::win::ControlNameOf(target) : L"");
}

const std::set<std::wstring> kClickOptions = {L"control", L"x", L"y", L"pid", L"timeout-ms"};

// A click on a disabled launcher is lost: a box that was just pressed may not
// have given the windows back yet. Waits for them, unless the click is meant
// for a disabled launcher.
void WaitEnabled(const Args &args, HWND main)
{
    if (args.Has(L"even-disabled"))
        return;
    const long long timeout = TimeoutOption(args);
    if (!Deadline(timeout).Poll([&] { return IsWindowEnabled(main) != FALSE; }))
        throw Failure{L"the launcher's window stays disabled for " + std::to_wstring(timeout) + L" ms"};
}

}  // namespace

void ControlCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms", L"visible", L"enabled", L"text"}, {});
    args.ExpectPositional(1, 1, L"the control's name");
    const std::wstring &name = args.Positional()[0];
    const auto wantVisible = BoolOption(args, L"visible");
    const auto wantEnabled = BoolOption(args, L"enabled");
    const auto wantText = args.Value(L"text");
    const long long timeout = TimeoutOption(args);
    const auto pid = PidOption(args);

    Found found;
    std::wstring mismatch;
    const bool matched = Deadline(timeout).Poll([&] {
        found.main = FindMainWindow(pid);
        found.control = found.main ? FindControl(found.main, name) : nullptr;
        if (!found.control)
            return false;
        mismatch.clear();
        if (wantVisible && static_cast<bool>(IsWindowVisible(found.control)) != *wantVisible)
            mismatch = L"visible is " + std::to_wstring(!*wantVisible);
        else if (wantEnabled && static_cast<bool>(IsWindowEnabled(found.control)) != *wantEnabled)
            mismatch = L"enabled is " + std::to_wstring(!*wantEnabled);
        else if (wantText && WindowText(found.control) != *wantText)
            mismatch = L"text is '" + EscapeValue(WindowText(found.control)) + L"'";
        return mismatch.empty();
    });
    if (!found.main)
        throw Failure{L"no launcher main window (class TForm_qz) within " + std::to_wstring(timeout) + L" ms"};
    if (!found.control)
        throw Failure{L"no control named '" + name + L"' within " + std::to_wstring(timeout) + L" ms"};
    if (!matched)
        throw Failure{L"control '" + name + L"': " + mismatch + L" after " + std::to_wstring(timeout) + L" ms"};
    EmitControl(found.control, found.main);
}

void ControlsCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms"}, {});
    args.ExpectPositional(0, 0, L"only options");
    HWND main = WaitMain(args);
    Emit("main", Hex(main));
    long long count = 0;
    for (HWND window : Descendants(main)) {
        if (qz::win::ControlNameOf(window).empty())
            continue;
        ++count;
        EmitControl(window, main, "control_" + std::to_string(count) + "_");
    }
    Emit("count", count);
}

void GetTextCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms"}, {});
    args.ExpectPositional(1, 1, L"the control's name");
    const Found found = WaitControl(args, args.Positional()[0]);
    Emit("name", args.Positional()[0]);
    Emit("hwnd", Hex(found.control));
    Emit("text", WindowText(found.control));
}

// An edit's text as drawn (from its first character to its last, by
// EM_POSFROMCHAR: the face it was given) against the same characters
// measured here in the face and pixel height asked for.
void TextWidthCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms", L"face", L"height"}, {});
    args.ExpectPositional(1, 1, L"the edit's name");
    const auto face = args.Value(L"face");
    const auto height = args.Integer(L"height");
    if (!face || !height)
        throw UsageError{L"give --face NAME and --height PIXELS"};
    const Found found = WaitControl(args, args.Positional()[0]);
    const std::wstring text = WindowText(found.control);
    if (text.size() < 2)
        throw Failure{L"control '" + args.Positional()[0] + L"' holds fewer than two characters"};
    const auto last = static_cast<WPARAM>(text.size() - 1);
    const auto first = static_cast<DWORD>(SendMessageW(found.control, EM_POSFROMCHAR, 0, 0));
    const auto end = static_cast<DWORD>(SendMessageW(found.control, EM_POSFROMCHAR, last, 0));
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-static_cast<int>(*height), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             face->c_str());
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(last), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    Emit("text", text);
    Emit("drawn", static_cast<short>(LOWORD(end)) - static_cast<short>(LOWORD(first)));
    Emit("measured", size.cx);
}

void SetTextCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms"}, {});
    args.ExpectPositional(2, 2, L"the control's name and the text");
    const Found found = WaitControl(args, args.Positional()[0]);
    const std::wstring &text = args.Positional()[1];
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(found.control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        throw Failure{L"control '" + args.Positional()[0] + L"' did not take WM_SETTEXT"};
    Emit("name", args.Positional()[0]);
    Emit("hwnd", Hex(found.control));
    Emit("text", WindowText(found.control));
}

void TypeCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms"}, {L"post", L"append", L"replace"});
    args.ExpectPositional(2, 2, L"the control's name and the text");
    if (args.Has(L"append") && args.Has(L"replace"))
        throw UsageError{L"give --append or --replace, not both"};
    const Found found = WaitControl(args, args.Positional()[0]);
    const std::wstring &text = args.Positional()[1];
    const bool post = args.Has(L"post");
    // An edit control types where its caret is; these move it first.
    DWORD_PTR result = 0;
    if (args.Has(L"append")) {
        const WPARAM end = WindowText(found.control).size();
        SendMessageTimeoutW(found.control, EM_SETSEL, end, static_cast<LPARAM>(end), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                            &result);
    }
    if (args.Has(L"replace"))
        SendMessageTimeoutW(found.control, EM_SETSEL, 0, -1, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    TypeCharacters(found.control, text, post);
    if (post)
        Settle(found.control, static_cast<int>(text.size()) + 2);
    Emit("name", args.Positional()[0]);
    Emit("hwnd", Hex(found.control));
    Emit("typed", static_cast<long long>(text.size()));
    Emit("text", WindowText(found.control));
}

void KeyCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms"}, {L"input"});
    const bool input = args.Has(L"input");
    if (input)
        args.ExpectPositional(1, 1, L"the key (with --input)");
    else
        args.ExpectPositional(2, 2, L"the control's name and the key");
    const std::wstring &keyName = args.Positional().back();
    const auto key = VirtualKeyFromName(keyName);
    if (!key)
        throw UsageError{L"unknown key '" + keyName + L"'"};
    if (input) {
        HWND main = FindMainWindow(PidOption(args));
        InputKey(*key);
        if (main)
            Settle(main, 4);
    } else {
        const Found found = WaitControl(args, args.Positional()[0]);
        PostKey(found.control, *key);
        Settle(found.control, 5);
        Emit("name", args.Positional()[0]);
        Emit("hwnd", Hex(found.control));
    }
    Emit("vk", Hex(*key));
}

void ClickCommand(const Words &words)
{
    const Args args(words, kClickOptions, {L"even-disabled"});
    args.ExpectPositional(0, 0, L"only options");
    const ClickPoint point = ResolveClickPoint(args);
    WaitEnabled(args, point.main);
    HWND target = WindowFromPoint(point.screen);
    const POINT cursor = RealClick(point.screen);
    Settle(point.main, 5);
    EmitTarget(point.screen, target);
    Emit("cursor_x", cursor.x);
    Emit("cursor_y", cursor.y);
}

void PostClickCommand(const Words &words)
{
    const Args args(words, kClickOptions, {});
    args.ExpectPositional(0, 0, L"only options");
    const ClickPoint point = ResolveClickPoint(args);
    HWND target = WindowFromPoint(point.screen);
    if (!target)
        throw Failure{L"no window at " + std::to_wstring(point.screen.x) + L"," + std::to_wstring(point.screen.y)};
    PostClick(target, point.screen);
    Settle(target, 5);
    EmitTarget(point.screen, target);
}

}  // namespace qzdrive

namespace qzdrive {

// Shows (or with --hide hides) a control's window from outside, for a test
// that must reach a control the program keeps hidden. The program's own idea
// of the control's visibility is not told.
void ShowCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms"}, {L"hide"});
    args.ExpectPositional(1, 1, L"the control's name");
    const Found found = WaitControl(args, args.Positional()[0]);
    ShowWindowAsync(found.control, args.Has(L"hide") ? SW_HIDE : SW_SHOWNA);
    Settle(found.control, 2);
    Emit("name", args.Positional()[0]);
    Emit("hwnd", Hex(found.control));
    EmitFlag("visible", IsWindowVisible(found.control) != FALSE);
}

}  // namespace qzdrive
