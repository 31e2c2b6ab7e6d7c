#include "input.h"

#include "args.h"

#include <cwctype>
#include <utility>

namespace qzdrive {

namespace {

constexpr UINT kSendTimeoutMs = 2000;

INPUT MouseInput(DWORD flags, LONG dx = 0, LONG dy = 0)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = flags;
    return input;
}

INPUT KeyInput(WORD virtualKey, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void Send(INPUT input)
{
    if (SendInput(1, &input, sizeof(INPUT)) != 1)
        throw Failure{L"SendInput failed (error " + std::to_wstring(GetLastError()) + L")"};
}

// Absolute SendInput coordinates: 0..65535 across the virtual screen.
LONG Normalized(LONG value, int origin, int size)
{
    if (size <= 1)
        return 0;
    return static_cast<LONG>((static_cast<long long>(value - origin) * 65535 + (size - 1) / 2) / (size - 1));
}

bool CursorAt(POINT where)
{
    POINT cursor = {};
    return GetCursorPos(&cursor) && cursor.x == where.x && cursor.y == where.y;
}

LPARAM KeyLParam(WORD virtualKey, bool up)
{
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM lParam = 1 | static_cast<LPARAM>(scan << 16);
    if (up)
        lParam |= static_cast<LPARAM>(0xC0000000u);
    return lParam;
}

}  // namespace

POINT RealClick(POINT screen)
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    Send(MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK,
                    Normalized(screen.x, left, width), Normalized(screen.y, top, height)));
    if (!CursorAt(screen)) {
        // Rounding of the absolute coordinates missed the pixel: put the
        // cursor there directly and let a null move announce it.
        SetCursorPos(screen.x, screen.y);
        Send(MouseInput(MOUSEEVENTF_MOVE));
    }
    Send(MouseInput(MOUSEEVENTF_LEFTDOWN));
    Send(MouseInput(MOUSEEVENTF_LEFTUP));
    POINT cursor = {};
    GetCursorPos(&cursor);
    return cursor;
}

void PostClick(HWND window, POINT screen)
{
    POINT client = screen;
    ScreenToClient(window, &client);
    const LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageW(window, WM_MOUSEMOVE, 0, at);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
}

std::optional<WORD> VirtualKeyFromName(const std::wstring &name)
{
    static const std::pair<const wchar_t *, WORD> kNames[] = {
        {L"enter", VK_RETURN},   {L"return", VK_RETURN}, {L"escape", VK_ESCAPE}, {L"esc", VK_ESCAPE},
        {L"tab", VK_TAB},        {L"space", VK_SPACE},   {L"back", VK_BACK},     {L"backspace", VK_BACK},
        {L"delete", VK_DELETE},  {L"insert", VK_INSERT}, {L"home", VK_HOME},     {L"end", VK_END},
        {L"left", VK_LEFT},      {L"right", VK_RIGHT},   {L"up", VK_UP},         {L"down", VK_DOWN},
        {L"pageup", VK_PRIOR},   {L"pagedown", VK_NEXT}, {L"shift", VK_SHIFT},   {L"control", VK_CONTROL},
        {L"alt", VK_MENU},
    };
    std::wstring lower;
    for (wchar_t c : name)
        lower += static_cast<wchar_t>(std::towlower(c));
    for (const auto &[keyName, key] : kNames) {
        if (lower == keyName)
            return key;
    }
    if (lower.size() >= 2 && lower.size() <= 3 && lower[0] == L'f') {
        const auto number = ParseInteger(lower.substr(1));
        if (number && *number >= 1 && *number <= 24)
            return static_cast<WORD>(VK_F1 + *number - 1);
    }
    if (name.size() == 1) {
        const wchar_t c = static_cast<wchar_t>(std::towupper(name[0]));
        if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'))
            return static_cast<WORD>(c);
    }
    if (lower.starts_with(L"0x")) {
        const auto number = ParseInteger(lower);
        if (number && *number > 0 && *number < 256)
            return static_cast<WORD>(*number);
    }
    return std::nullopt;
}

void PostKey(HWND window, WORD virtualKey)
{
    PostMessageW(window, WM_KEYDOWN, virtualKey, KeyLParam(virtualKey, false));
    PostMessageW(window, WM_KEYUP, virtualKey, KeyLParam(virtualKey, true));
}

void InputKey(WORD virtualKey)
{
    Send(KeyInput(virtualKey, false));
    Send(KeyInput(virtualKey, true));
}

void TypeCharacters(HWND window, const std::wstring &text, bool post)
{
    constexpr UINT kCharTimeoutMs = 15000;
    for (wchar_t unit : text) {
        if (post) {
            PostMessageW(window, WM_CHAR, unit, 1);
        } else {
            DWORD_PTR result = 0;
            // Not "abort if hung": on a loaded machine Wine may call a busy
            // program hung while it is only slow.
            if (!SendMessageTimeoutW(window, WM_CHAR, unit, 1, SMTO_NORMAL, kCharTimeoutMs, &result))
                throw Failure{L"the window did not take WM_CHAR within " + std::to_wstring(kCharTimeoutMs) + L" ms"};
        }
    }
}

}  // namespace qzdrive
