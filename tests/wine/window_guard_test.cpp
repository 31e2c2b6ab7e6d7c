// The guard under Wine's real message dispatch: a handler's failure, raised
// by a click that went through a subclassed control, is shown in the
// application error box once, and the program goes on; a failure while that
// box is up is not shown again. A folder that cannot be listed leaves the
// tree working.
// And the blocking work of the database: it runs off the UI thread, which
// keeps answering and painting with the windows disabled meanwhile, and its
// results and failures come back to the UI thread.
//
// Usage: window_guard_test.exe   (needs a display)
// Prints one line per check that fails and "N passed, M failed" last.
#include "checks.h"
#include "errors.h"
#include "form.h"
#include "texts.h"
#include "win32/control_kinds.h"
#include "win32/cursors.h"
#include "win32/folder_tree_view.h"
#include "win32/handles.h"
#include "win32/modal.h"
#include "win32/off_thread.h"
#include "win32/window_procedure.h"

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <set>
#include <string>
#include <vector>

namespace {

using qz::wine::Check;
using qz::wine::Print;

class Item final : public qz::ShellItem {
public:
    explicit Item(std::string name) : name(std::move(name)) {}
    std::string name;
};

// A desktop with two folders; "broken" says it has subfolders, but listing
// it finds none, as a folder that cannot be listed.
class BrokenShell final : public qz::ShellNamespace {
public:
    qz::ShellFolder Desktop() override { return Folder("desktop"); }
    std::vector<qz::ShellFolder> Subfolders(const qz::ShellItem &folder) override
    {
        const std::string &name = static_cast<const Item &>(folder).name;
        if (name == "desktop")
            return {Folder("plain"), Folder("broken")};
        return {};
    }
    std::string ParsingName(const qz::ShellItem &) override { return {}; }
    std::string DisplayName(const qz::ShellItem &) override { return {}; }

private:
    static qz::ShellFolder Folder(const std::string &name)
    {
        return {std::make_shared<Item>(name), name, true};
    }
};

class NoDatabase final : public qz::Database {
public:
    void Close() override {}
    qz::Status Open(std::string_view) override { return {}; }
    qz::Result<long long> OpenQuery(std::string_view) override { return 0; }
    qz::Status Execute(std::string_view) override { return {}; }
};

// The engine's key holds its setup path as a number: the install zone's
// handler fails with the registry's error.
class NumberRegistry final : public qz::Registry {
public:
    bool OpenKey(std::string_view) override { return true; }
    std::optional<std::uint32_t> ValueSize(std::string_view) override { return 4; }
    std::optional<Value> ReadValue(std::string_view, std::uint32_t) override { return Value{4, "\x01\0\0\0"}; }
    void CloseKey() override {}
};

// Records every box; a box may itself run work that fails (as a paint under
// the box would).
class RecordingServices final : public qz::Services {
public:
    int ShowMessageBox(std::string_view text, std::string_view title, unsigned flags) override
    {
        boxes.push_back(std::string(text));
        titles.push_back(std::string(title));
        this->flags.push_back(flags);
        if (failWhileUp)
            qz::Guarded(*this, [] { return qz::Status(qz::Error("a failure while the box is up")); });
        return IDOK;
    }
    std::string ProgramFolder() override { return "C:\\"; }
    void CloseMainWindow() override {}
    qz::Database &Data() override { return database; }
    qz::ShellNamespace &Namespace() override { return shell; }
    std::unique_ptr<qz::Registry> OpenRegistry() override { return std::make_unique<NumberRegistry>(); }
    void ShellOpen(std::string_view) override {}
    qz::Status RunHidden(std::string_view) override { return {}; }
    void SetBusy(bool) override {}
    bool CanRead(std::string_view) override { return true; }

    std::vector<std::string> boxes;
    std::vector<std::string> titles;
    std::vector<unsigned> flags;
    bool failWhileUp = false;
    NoDatabase database;
    BrokenShell shell;
};

// A window of the launcher's kind, bound through the thunk.
class Probe {
public:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_PAINT: {
            const qz::win::PaintDc paint(window);
            paints.fetch_add(1);
            return 0;
        }
        case WM_SETCURSOR: cursorHits.push_back(static_cast<short>(LOWORD(lParam))); break;
        case WM_NOTIFY:
            if (tree != nullptr)
                return tree->OnNotify(*reinterpret_cast<NMHDR *>(lParam));
            break;
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::atomic<int> paints{0};
    std::vector<int> cursorHits;  // the hit-test code of each WM_SETCURSOR
    qz::win::FolderTreeView *tree = nullptr;
};

// The case's one box is the application error box for this message.
void CheckOnlyBox(const RecordingServices &services, const std::string &text, const std::string &what)
{
    Check(services.boxes.size() == 1, what + ": one application error box",
          std::to_string(services.boxes.size()) + " boxes in all");
    if (services.boxes.size() != 1)
        return;
    Check(services.boxes.back() == text, what + ": the box shows the failure", services.boxes.back());
    Check(services.titles.back() == qz::kApplicationTitle && services.flags.back() == qz::kBoxError,
          what + ": the application title and the stop icon");
}

constexpr wchar_t kProbeClass[] = L"QzGuardProbe";

// A window of the launcher's kind, bound through the thunk: each case makes
// its own, so that no case depends on what another left behind.
class ProbeWindow {
public:
    ProbeWindow()
        : window_(CreateWindowExW(0, kProbeClass, L"guard", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320, 260, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), &probe))
    {
        Check(static_cast<bool>(window_), "a window of the thunk's class can be made (no display?)");
    }
    explicit operator bool() const { return static_cast<bool>(window_); }
    HWND get() const { return window_.get(); }

    Probe probe;  // made first: the window binds it at its creation

private:
    qz::win::UniqueWindow window_;
};

HTREEITEM ItemNamed(HWND tree, const wchar_t *name)
{
    for (HTREEITEM root = TreeView_GetRoot(tree), item = TreeView_GetChild(tree, root); item != nullptr;
         item = TreeView_GetNextSibling(tree, item)) {
        wchar_t text[64] = L"";
        TVITEMW data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = 64;
        if (TreeView_GetItem(tree, &data) && std::wstring(text) == name)
            return item;
    }
    return nullptr;
}

// A database whose every call records the thread it ran on and what the
// window looked like meanwhile; Execute fails as a refused statement does.
class ThreadProbeDatabase final : public qz::Database {
public:
    explicit ThreadProbeDatabase(HWND window) : window_(window) {}
    void Close() override { Look(); }
    qz::Status Open(std::string_view) override
    {
        Look();
        return {};
    }
    qz::Result<long long> OpenQuery(std::string_view) override
    {
        Look();
        return 7;
    }
    qz::Status Execute(std::string_view) override
    {
        Look();
        return qz::Error("Cannot drop the database 'QUENTARO' because it is currently in use.");
    }

    DWORD thread = 0;
    std::set<DWORD> threads;  // every thread a call ran on
    int calls = 0;
    bool sawEnabled = false;
    bool answered = true;

private:
    void Look()
    {
        thread = GetCurrentThreadId();
        threads.insert(thread);
        ++calls;
        sawEnabled = sawEnabled || IsWindowEnabled(window_);
        DWORD_PTR result = 0;
        answered = answered && SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result) != 0;
    }
    HWND window_;
};

void CheckOffUiThread(HWND window, Probe &probe)
{
    const DWORD ui = GetCurrentThreadId();
    SetActiveWindow(window);
    DWORD worker = ui;
    bool disabled = false;
    bool answered = false;
    int paintsSeen = 0;
    qz::win::RunOffUiThread([&] {
        worker = GetCurrentThreadId();
        disabled = !IsWindowEnabled(window);
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result) != 0;
        const int before = probe.paints.load();
        InvalidateRect(window, nullptr, TRUE);
        for (int i = 0; i < 100 && probe.paints.load() == before; ++i)
            Sleep(20);
        paintsSeen = probe.paints.load() - before;
        PostThreadMessageW(ui, WM_QUIT, 3, 0);
        Sleep(100);  // the quit arrives while the work still runs
    });
    Check(worker != ui, "the work runs on a thread of its own");
    Check(disabled, "the window is disabled while the work runs");
    Check(answered, "the window answers a message sent with a 500 ms time-out while the work runs");
    Check(paintsSeen > 0, "the window paints while the work runs");
    Check(IsWindowEnabled(window) != FALSE, "the window is enabled again afterwards");
    Check(GetActiveWindow() == window, "the window that was active is active again");
    MSG quit{};
    Check(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 3,
          "a quit that came during the work is posted again for the outer loop");

    ThreadProbeDatabase inner(window);
    HANDLE connectionThread = nullptr;
    {
        qz::win::OffThreadDatabase database(inner);
        Check(static_cast<bool>(database.Open("Provider=SQLOLEDB.1")), "the connection opens");
        Check(inner.thread != ui && inner.thread != 0, "the connection opens off the UI thread");
        connectionThread = OpenThread(SYNCHRONIZE, FALSE, inner.thread);
        Check(connectionThread != nullptr && WaitForSingleObject(connectionThread, 0) == WAIT_TIMEOUT,
              "the connection's thread lives on between calls");
        const qz::Result<long long> count = database.OpenQuery("select 1");
        Check(count && *count == 7, "the record count comes back from the worker");
        const qz::Status executed = database.Execute("drop database QUENTARO");
        Check(!executed && std::string(executed.Failure().what()).find("currently in use") != std::string::npos,
              "a statement's failure comes back from the worker to the handler");
        Check(IsWindowEnabled(window) != FALSE, "the window is enabled again after a failed statement");
        database.Close();
        Check(static_cast<bool>(database.Open("Provider=SQLOLEDB.1")), "the connection opens again");
        Check(!inner.sawEnabled, "the window is disabled during every database call");
        Check(inner.answered, "the window answers during every database call");
    }
    // The end closes the connection on its thread too, and the thread ends.
    Check(inner.calls == 6 && inner.threads.size() == 1 && inner.threads.count(ui) == 0,
          "every call on the connection, its close at the end included, runs on one thread of its own",
          std::to_string(inner.calls) + " calls on " + std::to_string(inner.threads.size()) + " threads");
    Check(connectionThread != nullptr && WaitForSingleObject(connectionThread, 5000) == WAIT_OBJECT_0,
          "the connection's thread ends with the connection");
    if (connectionThread != nullptr)
        CloseHandle(connectionThread);
}

// Another program's window, as Explorer's or an autorun window would be:
// a top-level window of a thread of its own, shown, then its messages
// handled until the thread is told to quit.
DWORD WINAPI OtherProgram(LPVOID shown)
{
    HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 300,
                                 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    *static_cast<HWND *>(shown) = other;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    DestroyWindow(other);
    return 0;
}

struct BoxWatch {
    HWND application;
    HWND main;
    bool allDisabled = false;  // while the box was up
};

// Presses OK of the box that the UI thread shows, once it is up, and notes
// whether the launcher's windows were disabled meanwhile.
DWORD WINAPI PressOk(LPVOID parameter)
{
    auto &watch = *static_cast<BoxWatch *>(parameter);
    for (int i = 0; i < 500; ++i) {
        HWND box = FindWindowW(L"#32770", L"box order");
        if (box != nullptr) {
            Sleep(100);
            watch.allDisabled = !IsWindowEnabled(watch.application) && !IsWindowEnabled(watch.main);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}

// A box over the launcher's windows, as the launcher shows each: owned by the
// application's window, every window disabled meanwhile. When it goes, the
// launcher must be in front again, not the other program's window behind it.
bool BoxLeavesLauncherInFront(HWND application, HWND main, bool ownerLeftToTheBox)
{
    SetForegroundWindow(main);
    SetActiveWindow(main);
    BoxWatch watch{application, main};
    HANDLE presser = CreateThread(nullptr, 0, PressOk, &watch, 0, nullptr);
    {
        const qz::win::ModalScope modal(ownerLeftToTheBox ? application : nullptr);
        MessageBoxW(application, L"text", L"box order", MB_OK);
    }
    WaitForSingleObject(presser, 10000);
    CloseHandle(presser);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    return watch.allDisabled && IsWindowEnabled(main) && IsWindowEnabled(application) &&
           GetForegroundWindow() == main && GetActiveWindow() == main;
}

void CheckBoxOrder(HWND main)
{
    HWND other = nullptr;
    DWORD otherThread = 0;
    HANDLE thread = CreateThread(nullptr, 0, OtherProgram, &other, 0, &otherThread);
    for (int i = 0; i < 250 && other == nullptr; ++i)
        Sleep(20);
    // The application's own window owns the main window, as in the launcher.
    const qz::win::UniqueWindow application(CreateWindowExW(0, L"STATIC", L"application", WS_POPUP | WS_VISIBLE, 0, 0,
                                                            0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(main, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(application.get()));
    const bool before = BoxLeavesLauncherInFront(application.get(), main, false);
    const bool after = BoxLeavesLauncherInFront(application.get(), main, true);
    std::printf("box order: in front with the owner disabled by us %d, left to the box %d\n", before, after);
    Check(after, "every window of the launcher disabled under a box, and after it the launcher in front again, "
                 "its main window active, every window enabled");
    SetWindowLongPtrW(main, GWLP_HWNDPARENT, 0);
    PostThreadMessageW(otherThread, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
}

// The end of a step puts back the cursor of the window under the pointer at
// once, not at the pointer's next move, and leaves the pointer where it is.
void CheckCursorRefresh(HWND window, Probe &probe)
{
    RECT area{};
    GetWindowRect(window, &area);
    const POINT inside{area.left + 100, area.top + 100};
    SetCursorPos(inside.x, inside.y);
    qz::win::Cursors cursors(GetModuleHandleW(nullptr));
    qz::win::ShowBusy(cursors, window, true);
    probe.cursorHits.clear();
    qz::win::ShowBusy(cursors, window, false);
    POINT after{};
    GetCursorPos(&after);
    Check(!probe.cursorHits.empty() && probe.cursorHits.back() == HTCLIENT,
          "the window under the pointer sets its cursor as soon as the step ends",
          std::to_string(probe.cursorHits.size()) + " WM_SETCURSOR");
    Check(after.x == inside.x && after.y == inside.y, "the pointer stays where it was");
}

// The guard reports a failed piece of work once, and not again while its
// box is up.
void CheckGuard()
{
    RecordingServices services;
    services.failWhileUp = true;
    Check(!qz::Guarded(services, [] { return qz::Status(qz::Error("the restore failed")); }),
          "the guard says that the work failed");
    CheckOnlyBox(services, "the restore failed.", "a failure while its box is up is not boxed again");
}

// The folder tree: a folder that cannot be listed is expanded, and the click
// handler (the install zone's, which reads the registry) fails after a click
// that went through the tree's subclass.
void CheckFolderTree()
{
    RecordingServices services;
    ProbeWindow window;
    if (!window)
        return;
    qz::TForm_qz form(services);
    qz::FolderTree &folders = form.Folders();
    qz::win::FolderTreeView view(folders, form, form.Labelmsde, window.get());
    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, 10, 10, 280, 200,
                                window.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
    Check(tree != nullptr, "a tree view can be made");
    if (tree == nullptr)
        return;
    view.Attach(tree);
    window.probe.tree = &view;
    folders.Build();
    HTREEITEM broken = ItemNamed(tree, L"broken");
    Check(broken != nullptr, "the desktop's folders are listed in the tree");
    TreeView_Expand(tree, broken, TVE_EXPAND);
    Check(services.boxes.empty(), "a folder that cannot be listed shows no box");
    Check(ItemNamed(tree, L"plain") != nullptr, "the tree goes on after the empty expansion");

    NMHDR click{tree, 0, static_cast<UINT>(NM_CLICK)};
    SendMessageW(window.get(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    CheckOnlyBox(services, "Invalid data type for 'SQLPath'", "a failing click handler behind the tree's subclass");

    DestroyWindow(tree);
    window.probe.tree = nullptr;
    Check(IsWindow(window.get()) != FALSE, "the window lives on");
}

void Run()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = qz::win::WindowProcedure<Probe>;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kProbeClass;
    RegisterClassW(&windowClass);

    CheckGuard();
    CheckFolderTree();
    if (ProbeWindow window; window)
        CheckCursorRefresh(window.get(), window.probe);
    if (ProbeWindow window; window)
        CheckOffUiThread(window.get(), window.probe);
    if (ProbeWindow window; window)
        CheckBoxOrder(window.get());
}

}  // namespace

int wmain()
{
    SetConsoleOutputCP(CP_UTF8);
    const qz::win::ComApartment com;
    // The launcher's own registration of the tree view's class.
    const qz::Status loaded = qz::win::LoadCommonControlClasses();
    Check(static_cast<bool>(loaded), "the common controls accept the classes the launcher asks for",
          loaded ? "" : loaded.Failure().what());
    Run();
    return qz::wine::Finish();
}
