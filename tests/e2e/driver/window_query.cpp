#include "window_query.h"

namespace qzdrive {

namespace {

constexpr UINT kSendTimeoutMs = 2000;

BOOL CALLBACK Collect(HWND window, LPARAM list)
{
    reinterpret_cast<std::vector<HWND> *>(list)->push_back(window);
    return TRUE;
}

}  // namespace

std::wstring Rect::ToString() const
{
    return std::to_wstring(left) + L"," + std::to_wstring(top) + L"," + std::to_wstring(right) + L"," +
           std::to_wstring(bottom);
}

std::wstring WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
        // A hung or vanished window: what the system remembers of its title.
        wchar_t buffer[1024] = {};
        InternalGetWindowText(window, buffer, 1024);
        return buffer;
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &copied);
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return text;
}

std::wstring ClassName(HWND window)
{
    wchar_t buffer[256] = {};
    const int length = GetClassNameW(window, buffer, 256);
    return std::wstring(buffer, length > 0 ? length : 0);
}

DWORD ProcessOf(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

DWORD ThreadOf(HWND window)
{
    return GetWindowThreadProcessId(window, nullptr);
}

Rect ScreenRect(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

Rect ClientRect(HWND window)
{
    RECT r = {};
    GetClientRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

Rect RectIn(HWND window, HWND reference)
{
    const Rect screen = ScreenRect(window);
    POINT origin = {0, 0};
    ClientToScreen(reference, &origin);
    return {screen.left - origin.x, screen.top - origin.y, screen.right - origin.x, screen.bottom - origin.y};
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> Descendants(HWND parent)
{
    std::vector<HWND> windows;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool WindowFilter::Matches(HWND window) const
{
    if (!includeHidden && !IsWindowVisible(window))
        return false;
    if (pid && ProcessOf(window) != *pid)
        return false;
    if (className && ClassName(window) != *className)
        return false;
    if (title || titleContains) {
        const std::wstring text = WindowText(window);
        if (title && text != *title)
            return false;
        if (titleContains && text.find(*titleContains) == std::wstring::npos)
            return false;
    }
    return true;
}

std::vector<HWND> FindTopLevel(const WindowFilter &filter)
{
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows()) {
        if (filter.Matches(window))
            found.push_back(window);
    }
    return found;
}

HWND FindMainWindow(std::optional<DWORD> pid)
{
    WindowFilter filter;
    filter.className = qz::win::kMainWindowClass;
    filter.pid = pid;
    if (const auto visible = FindTopLevel(filter); !visible.empty())
        return visible.front();
    filter.includeHidden = true;
    if (const auto any = FindTopLevel(filter); !any.empty())
        return any.front();
    return nullptr;
}

std::set<DWORD> LauncherProcesses()
{
    std::set<DWORD> pids;
    WindowFilter filter;
    filter.className = qz::win::kMainWindowClass;
    filter.includeHidden = true;
    for (HWND window : FindTopLevel(filter))
        pids.insert(ProcessOf(window));
    return pids;
}

bool SameName(const std::wstring &a, const std::wstring &b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

HWND FindControl(HWND main, const std::wstring &name)
{
    for (HWND window : Descendants(main)) {
        if (SameName(qz::win::ControlNameOf(window), name))
            return window;
    }
    return nullptr;
}

std::vector<HWND> FindMessageBoxes(const std::set<DWORD> &pids, const std::optional<std::wstring> &title)
{
    WindowFilter filter;
    filter.className = kDialogClass;
    filter.title = title;
    std::vector<HWND> boxes;
    for (HWND window : FindTopLevel(filter)) {
        if (pids.empty() || pids.contains(ProcessOf(window)))
            boxes.push_back(window);
    }
    return boxes;
}

std::vector<std::wstring> ButtonTextForms(const std::wstring &text)
{
    std::vector<std::wstring> forms{text};
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;  // "&&" is a literal ampersand; "&Y" is Y underlined
        plain += text[i];
    }
    forms.push_back(plain);
    // "是(&Y)": the text without its "(Y)" suffix too.
    if (plain.size() >= 3 && plain.back() == L')' && plain[plain.size() - 3] == L'(')
        forms.push_back(plain.substr(0, plain.size() - 3));
    return forms;
}

}  // namespace qzdrive
