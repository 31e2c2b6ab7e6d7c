// Commands about top-level windows: window, wait-gone, windows, focus, dpi;
// and the kind of a drive.
#include "commands.h"
#include "output.h"
#include "report.h"
#include "wait.h"
#include "window_query.h"

#include <iterator>
#include <string>

namespace qzdrive {

namespace {

const std::set<std::wstring> kFilterOptions = {L"class", L"title", L"title-contains", L"pid", L"timeout-ms"};

WindowFilter FilterFrom(const Args &args)
{
    WindowFilter filter;
    filter.className = args.Value(L"class");
    filter.title = args.Value(L"title");
    filter.titleContains = args.Value(L"title-contains");
    filter.pid = PidOption(args);
    filter.includeHidden = args.Has(L"hidden");
    return filter;
}

std::wstring Describe(const WindowFilter &filter)
{
    std::wstring text = L"window";
    if (filter.className)
        text += L" of class '" + *filter.className + L"'";
    if (filter.title)
        text += L" titled '" + *filter.title + L"'";
    if (filter.titleContains)
        text += L" with '" + *filter.titleContains + L"' in its title";
    if (filter.pid)
        text += L" of process " + std::to_wstring(*filter.pid);
    return text;
}

// Waits for the windows that match, at least one; throws when none came.
std::vector<HWND> WaitForWindows(const WindowFilter &filter, long long timeout)
{
    std::vector<HWND> found;
    Deadline(timeout).Poll([&] {
        found = FindTopLevel(filter);
        return !found.empty();
    });
    if (found.empty())
        throw Failure{L"no " + Describe(filter) + L" within " + std::to_wstring(timeout) + L" ms"};
    return found;
}

// Releases a device context taken with GetDC.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc()
    {
        if (dc_)
            ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc &) = delete;
    ScreenDc &operator=(const ScreenDc &) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

}  // namespace

void WindowCommand(const Words &words)
{
    const Args args(words, kFilterOptions, {L"hidden"});
    args.ExpectPositional(0, 0, L"only options");
    const WindowFilter filter = FilterFrom(args);
    if (!filter.className && !filter.title && !filter.titleContains && !filter.pid)
        throw UsageError{L"window needs --class, --title, --title-contains or --pid"};
    const std::vector<HWND> found = WaitForWindows(filter, TimeoutOption(args));
    EmitWindow(found.front());
    Emit("count", static_cast<long long>(found.size()));
}

void WaitGoneCommand(const Words &words)
{
    std::set<std::wstring> options = kFilterOptions;
    options.insert(L"hwnd");
    const Args args(words, options, {L"hidden"});
    args.ExpectPositional(0, 0, L"only options");
    const WindowFilter filter = FilterFrom(args);
    const auto handle = args.Integer(L"hwnd");
    if (!handle && !filter.className && !filter.title && !filter.titleContains && !filter.pid)
        throw UsageError{L"wait-gone needs --hwnd, --class, --title, --title-contains or --pid"};
    HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle.value_or(0)));
    const auto present = [&] {
        if (handle)
            return IsWindow(window) && (filter.includeHidden || IsWindowVisible(window));
        return !FindTopLevel(filter).empty();
    };
    const long long timeout = TimeoutOption(args);
    const Deadline deadline(timeout);
    const bool gone = deadline.Poll([&] { return !present(); });
    if (!gone) {
        throw Failure{(handle ? L"window " + Hex(window) : Describe(filter)) + L" still there after " +
                      std::to_wstring(timeout) + L" ms"};
    }
    EmitFlag("gone", true);
    Emit("waited_ms", deadline.ElapsedMs());
}

void WindowsCommand(const Words &words)
{
    const Args args(words, {L"pid"}, {L"all"});
    args.ExpectPositional(0, 0, L"only options");
    std::set<DWORD> pids;
    if (const auto pid = PidOption(args))
        pids.insert(*pid);
    else if (!args.Has(L"all"))
        pids = LauncherProcesses();
    if (pids.empty() && !args.Has(L"all"))
        throw Failure{L"no launcher window (class TForm_qz) is open"};
    long long count = 0;
    for (HWND window : TopLevelWindows()) {
        if (!pids.empty() && !pids.contains(ProcessOf(window)))
            continue;
        ++count;
        EmitWindow(window, "window_" + std::to_string(count) + "_");
    }
    Emit("count", count);
}

void FocusCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms"}, {});
    args.ExpectPositional(0, 0, L"only options");
    HWND main = WaitMain(args);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(ThreadOf(main), &info);
    HWND foreground = GetForegroundWindow();
    Emit("main", Hex(main));
    Emit("foreground", Hex(foreground));
    Emit("foreground_class", foreground ? ClassName(foreground) : L"");
    Emit("foreground_title", foreground ? WindowText(foreground) : L"");
    Emit("active", Hex(info.hwndActive));
    Emit("focus", Hex(info.hwndFocus));
    Emit("focus_name", info.hwndFocus ? qz::win::ControlNameOf(info.hwndFocus) : L"");
    Emit("focus_class", info.hwndFocus ? ClassName(info.hwndFocus) : L"");
    // An edit field's selection: EM_GETSEL answers in its result, no pointer
    // crosses the processes.
    std::wstring selection;
    if (info.hwndFocus && lstrcmpiW(ClassName(info.hwndFocus).c_str(), L"Edit") == 0) {
        const auto range = static_cast<DWORD>(SendMessageW(info.hwndFocus, EM_GETSEL, 0, 0));
        selection = std::to_wstring(LOWORD(range)) + L"," + std::to_wstring(HIWORD(range));
    }
    Emit("focus_selection", selection);
    Emit("capture", Hex(info.hwndCapture));
}

// Sends the launcher's main window WM_NULL every --every-ms for --for-ms, each
// with a --reply-ms time-out: how many probes it answered, and how many found
// it enabled.
void ProbeCommand(const Words &words)
{
    const Args args(words, {L"pid", L"timeout-ms", L"for-ms", L"every-ms", L"reply-ms"}, {});
    args.ExpectPositional(0, 0, L"only options");
    HWND main = WaitMain(args);
    const long long every = args.Integer(L"every-ms", 250);
    const auto reply = static_cast<UINT>(args.Integer(L"reply-ms", 500));
    long long probes = 0, answered = 0, enabled = 0, slowest = 0;
    const Deadline duration(args.Integer(L"for-ms", 10000));
    while (!duration.Passed()) {
        const ULONGLONG sent = GetTickCount64();
        DWORD_PTR result = 0;
        ++probes;
        if (SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, reply, &result))
            ++answered;
        if (IsWindowEnabled(main))
            ++enabled;
        const auto took = static_cast<long long>(GetTickCount64() - sent);
        slowest = took > slowest ? took : slowest;
        if (took < every)
            Sleep(static_cast<DWORD>(every - took));
    }
    Emit("probes", probes);
    Emit("answered", answered);
    Emit("enabled", enabled);
    Emit("slowest_ms", slowest);
}

void DpiCommand(const Words &words)
{
    const Args args(words, {}, {});
    args.ExpectPositional(0, 0, L"no arguments");
    const ScreenDc screen;
    Emit("dpi", GetDeviceCaps(screen.get(), LOGPIXELSX));
    Emit("dpi_y", GetDeviceCaps(screen.get(), LOGPIXELSY));
    Emit("screen_width", GetSystemMetrics(SM_CXSCREEN));
    Emit("screen_height", GetSystemMetrics(SM_CYSCREEN));
}

// What kind of drive a root ("D:\\") is, as a program sees it: the disc
// scenario's drive must be a CD-ROM.
void DriveCommand(const Words &words)
{
    const Args args(words, {}, {});
    args.ExpectPositional(1, 1, L"a drive's root, such as D:\\");
    static const wchar_t *const kKinds[] = {L"unknown", L"no_root", L"removable", L"fixed",
                                            L"remote",  L"cdrom",   L"ramdisk"};
    const UINT kind = GetDriveTypeW(args.Positional()[0].c_str());
    Emit("type", kind < std::size(kKinds) ? std::wstring(kKinds[kind]) : std::to_wstring(kind));
}

}  // namespace qzdrive

namespace qzdrive {

// Posts a window-menu command to a top-level window, as the task bar does for
// its entry's menu: close, minimize or restore.
void SysCommandCommand(const Words &words)
{
    std::set<std::wstring> options = kFilterOptions;
    options.insert(L"command");
    const Args args(words, options, {L"hidden"});
    args.ExpectPositional(0, 0, L"only options");
    const WindowFilter filter = FilterFrom(args);
    if (!filter.className && !filter.title && !filter.titleContains && !filter.pid)
        throw UsageError{L"syscommand needs --class, --title, --title-contains or --pid"};
    const std::wstring command = args.Value(L"command").value_or(L"");
    WPARAM code = 0;
    if (command == L"close")
        code = SC_CLOSE;
    else if (command == L"minimize")
        code = SC_MINIMIZE;
    else if (command == L"restore")
        code = SC_RESTORE;
    else
        throw UsageError{L"syscommand --command must be close, minimize or restore"};
    const std::vector<HWND> found = WaitForWindows(filter, TimeoutOption(args));
    if (!PostMessageW(found.front(), WM_SYSCOMMAND, code, 0))
        throw Failure{L"cannot post to " + Describe(filter)};
    Settle(found.front(), 2);
    EmitWindow(found.front());
}

}  // namespace qzdrive
