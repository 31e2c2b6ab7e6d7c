// Exercises the shell's namespace of the folder chooser (WinShellNamespace,
// the small icons and the context menu) against the real shell, under Wine.
//
// Usage: shell_namespace_test.exe <test folder>
//
// The test folder (a Windows path, e.g. Z:\work\main\build\shell.X) holds what
// tests/wine/shell_namespace.sh prepares:
//   prepared\a\inner, prepared\b, prepared\.hidden (folders), prepared\f.txt
//   many\d0000 ... many\d0999 (folders)
//   gone\inner (folders, removed by this program half-way)
// Prints what the shell shows, one line per check that fails, and
// "N passed, M failed" last; the exit code is 1 when a check failed.
#include "checks.h"
#include "win32/handles.h"
#include "win32/shell_namespace_win32.h"
#include "win32/system_libraries.h"
#include "win32/wide.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <string>
#include <vector>

namespace {

using qz::ShellFolder;
using qz::win::Narrow;
using qz::win::Widen;
using qz::win::WinShellNamespace;

constexpr char kMyComputer[] = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
constexpr int kManyFolders = 1000;

using qz::wine::Check;
using qz::wine::Print;

bool SameText(const std::string &a, const std::string &b)
{
    return _wcsicmp(Widen(a).c_str(), Widen(b).c_str()) == 0;
}

std::string Describe(WinShellNamespace &shell, const ShellFolder &folder)
{
    return "  " + folder.name + " | " + shell.ParsingName(*folder.item) +
           " | hasSubfolders=" + (folder.hasSubfolders ? "1" : "0");
}

// The subfolder of `parent` with this parsing name (case ignored), or none.
ShellFolder FindByParsingName(WinShellNamespace &shell, const std::vector<ShellFolder> &children,
                              const std::string &parsingName)
{
    for (const ShellFolder &child : children)
        if (SameText(shell.ParsingName(*child.item), parsingName))
            return child;
    return {};
}

std::vector<std::string> Names(const std::vector<ShellFolder> &folders)
{
    std::vector<std::string> names;
    for (const ShellFolder &folder : folders)
        names.push_back(folder.name);
    return names;
}

std::string Join(const std::vector<std::string> &pieces)
{
    std::string joined;
    for (const std::string &piece : pieces)
        joined += (joined.empty() ? "" : ", ") + piece;
    return joined;
}

// The folders of a Windows path below its drive: "Z:\a\b" gives "Z:\a", "Z:\a\b".
std::vector<std::string> PathSteps(const std::string &path)
{
    std::vector<std::string> steps;
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        steps.push_back(path.substr(0, at));
    if (path.size() > 3)
        steps.push_back(path);
    return steps;
}

// ------------------------------------------------------------ context menu

struct MenuWindowState {
    int initMenuPopups = 0;
    int forwarded = 0;
    int timerTicks = 0;
};
MenuWindowState menuState;

constexpr UINT_PTR kDismissTimer = 1;

// The shell's own answer for one folder's small icon, asked with its
// identifier list.
int ShellIconOf(const qz::ShellItem &folder, bool open)
{
    SHFILEINFOW info{};
    UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (open)
        flags |= SHGFI_OPENICON;
    const ITEMIDLIST *list = qz::win::IdListOf(folder);
    if (list == nullptr || SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof info, flags) == 0)
        return -1;
    return info.iIcon;
}

LRESULT CALLBACK MenuOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message == WM_INITMENUPOPUP)
        ++menuState.initMenuPopups;
    if (qz::win::ForwardContextMenuMessage(message, wParam, lParam, &result)) {
        ++menuState.forwarded;
        return result;
    }
    if (message == WM_TIMER && wParam == kDismissTimer) {
        // The menu's own loop dispatches this: close the menu without a choice.
        ++menuState.timerTicks;
        EndMenu();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TestContextMenu(const ShellFolder &folder)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = MenuOwnerProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QzShellMenuOwner";
    RegisterClassW(&windowClass);
    qz::win::UniqueWindow owner(CreateWindowExW(0, windowClass.lpszClassName, L"menu owner",
                                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200, nullptr,
                                                nullptr, windowClass.hInstance, nullptr));
    if (!owner) {
        Print("context menu: no window could be made (no display?): not checked");
        return;
    }
    SetForegroundWindow(owner.get());

    LRESULT ignored = 0;
    Check(!qz::win::ForwardContextMenuMessage(WM_INITMENUPOPUP, 0, 0, &ignored),
          "no message is forwarded while no context menu is up");

    // Dismissed by the timer: nothing is carried out.
    SetTimer(owner.get(), kDismissTimer, 500, nullptr);
    const auto started = std::chrono::steady_clock::now();
    const bool invoked = qz::win::ShowContextMenu(owner.get(), *folder.item, POINT{100, 100});
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    KillTimer(owner.get(), kDismissTimer);
    Print("context menu: shown for " + std::to_string(elapsed) + " ms, WM_INITMENUPOPUP " +
          std::to_string(menuState.initMenuPopups) + ", forwarded " + std::to_string(menuState.forwarded) +
          ", dismissed by the timer " + std::to_string(menuState.timerTicks));
    Check(!invoked, "a dismissed context menu carries nothing out");
    Check(menuState.initMenuPopups >= 1, "the context menu of a folder was shown",
          "WM_INITMENUPOPUP " + std::to_string(menuState.initMenuPopups));
    Check(menuState.timerTicks >= 1, "the menu was closed by the timer, not by a failure");
    Check(!qz::win::ForwardContextMenuMessage(WM_INITMENUPOPUP, 0, 0, &ignored),
          "no message is forwarded once the context menu is closed");

    // The root offers the shell's menu too.
    ShellFolder desktop = WinShellNamespace().Desktop();
    const int shownBefore = menuState.initMenuPopups;
    SetTimer(owner.get(), kDismissTimer, 500, nullptr);
    Check(!qz::win::ShowContextMenu(owner.get(), *desktop.item, POINT{100, 100}),
          "a dismissed menu of the desktop carries nothing out");
    KillTimer(owner.get(), kDismissTimer);
    Check(menuState.initMenuPopups > shownBefore, "the desktop's context menu was shown",
          "WM_INITMENUPOPUP " + std::to_string(menuState.initMenuPopups - shownBefore));

    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

class ForeignItem final : public qz::ShellItem {};

int Run(const std::string &root)
{
    WinShellNamespace shell;

    // ---- the desktop
    const ShellFolder desktop = shell.Desktop();
    const std::string desktopParsing = shell.ParsingName(*desktop.item);
    Print("desktop: " + desktop.name + " | " + desktopParsing + " | hasSubfolders=" +
          (desktop.hasSubfolders ? "1" : "0"));
    Check(!desktop.name.empty(), "the desktop has a display name");
    Check(desktop.hasSubfolders, "the desktop has subfolders");
    Check(!desktopParsing.empty(), "the desktop has a parsing name");
    Check(shell.DisplayName(*desktop.item) == desktop.name, "DisplayName of the desktop is its name");
    Check(shell.Exists(*desktop.item), "the desktop exists");
    Check(qz::win::IdListOf(*desktop.item) != nullptr && qz::win::IdListOf(*desktop.item)->mkid.cb == 0,
          "the desktop is the empty item identifier list");

    const std::vector<ShellFolder> top = shell.Subfolders(*desktop.item);
    Print("desktop's subfolders (" + std::to_string(top.size()) + "):");
    for (const ShellFolder &folder : top)
        Print(Describe(shell, folder));
    Check(!top.empty(), "the desktop lists subfolders");
    bool allNamed = true;
    for (const ShellFolder &folder : top)
        allNamed = allNamed && !folder.name.empty();
    Check(allNamed, "every subfolder of the desktop has a name");

    // ---- Wine's folder of the Unix root, "/", when the desktop shows it
    for (const ShellFolder &folder : top) {
        if (folder.name != "/")
            continue;
        const std::vector<ShellFolder> unixRoot = shell.Subfolders(*folder.item);
        Print("/ lists " + std::to_string(unixRoot.size()) + " folders");
        Check(FindByParsingName(shell, unixRoot, "Z:\\work").item != nullptr, "the folder / lists Z:\\work");
    }

    // ---- My Computer
    const ShellFolder computer = FindByParsingName(shell, top, kMyComputer);
    Check(computer.item != nullptr, "My Computer is among the desktop's subfolders");
    if (computer.item == nullptr)
        return 1;
    Check(computer.hasSubfolders, "My Computer has subfolders");
    Check(shell.DisplayName(*computer.item) == computer.name, "DisplayName of My Computer is its name");
    Check(shell.Exists(*computer.item), "a virtual folder exists");

    const std::vector<ShellFolder> drives = shell.Subfolders(*computer.item);
    Print("My Computer's subfolders (" + std::to_string(drives.size()) + "):");
    for (const ShellFolder &folder : drives)
        Print(Describe(shell, folder));
    const ShellFolder driveZ = FindByParsingName(shell, drives, "Z:\\");
    Check(driveZ.item != nullptr, "drive Z: is under My Computer with the parsing name Z:\\");
    Check(FindByParsingName(shell, drives, "C:\\").item != nullptr, "drive C: is under My Computer");
    if (driveZ.item == nullptr)
        return 1;
    Check(shell.ParsingName(*driveZ.item) == "Z:\\", "a drive root's parsing name keeps its separator",
          shell.ParsingName(*driveZ.item));
    Check(driveZ.name.find("Z:") != std::string::npos, "the drive's name shows its letter", driveZ.name);
    bool trimmed = true;
    for (const ShellFolder &folder : drives)
        trimmed = trimmed && !folder.name.empty() && folder.name.front() != ' ' && folder.name.back() != ' ';
    Check(trimmed, "the drives' names have no spaces around them", Join(Names(drives)));
    Check(driveZ.hasSubfolders, "drive Z: has subfolders");
    Check(shell.Exists(*driveZ.item), "drive Z: exists");

    // ---- down from Z: to the test folder, one level at a time
    ShellFolder current = driveZ;
    for (const std::string &step : PathSteps(root)) {
        const ShellFolder next = FindByParsingName(shell, shell.Subfolders(*current.item), step);
        Check(next.item != nullptr, "walking down from Z:, the listing has " + step);
        if (next.item == nullptr)
            return 1;
        current = next;
    }
    const ShellFolder walked = current;
    Check(shell.ParsingName(*walked.item) == root, "the folder reached has the parsing name asked for",
          shell.ParsingName(*walked.item));

    const ShellFolder parsed = shell.FromParsingName(root);
    Check(parsed.item != nullptr, "the test folder is found by its parsing name");
    if (parsed.item == nullptr)
        return 1;
    Check(shell.ParsingName(*parsed.item) == root, "its parsing name reads back", shell.ParsingName(*parsed.item));
    Check(parsed.name == walked.name, "the same name both ways", parsed.name + " / " + walked.name);
    Check(Names(shell.Subfolders(*parsed.item)) == Names(shell.Subfolders(*walked.item)),
          "the same subfolders both ways");
    const ShellFolder withSeparator = shell.FromParsingName(root + "\\");
    Check(withSeparator.item != nullptr && shell.ParsingName(*withSeparator.item) == root,
          "a folder's parsing name has no trailing separator",
          withSeparator.item ? shell.ParsingName(*withSeparator.item) : "(not found)");
    Check(shell.FromParsingName(root + "\\prepared\\f.txt").item == nullptr,
          "a file is not found as a folder by its parsing name");
    Check(shell.FromParsingName(kMyComputer).item != nullptr &&
              SameText(shell.ParsingName(*shell.FromParsingName(kMyComputer).item), kMyComputer),
          "My Computer is found by its parsing name");
    Check(shell.FromParsingName(root + "\\no such folder").item == nullptr,
          "a folder that is not there is not found by its parsing name");

    // ---- hidden folders and files are left out
    const std::wstring hidden = Widen(root + "\\prepared\\.hidden");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const DWORD hiddenAttributes = GetFileAttributesW(hidden.c_str());
    Check(hiddenAttributes != INVALID_FILE_ATTRIBUTES && (hiddenAttributes & FILE_ATTRIBUTE_HIDDEN) != 0,
          "prepared\\.hidden is hidden");

    const std::vector<ShellFolder> rootChildren = shell.Subfolders(*walked.item);
    const ShellFolder prepared = FindByParsingName(shell, rootChildren, root + "\\prepared");
    Check(prepared.item != nullptr, "the test folder lists prepared", Join(Names(rootChildren)));
    if (prepared.item == nullptr)
        return 1;
    Check(prepared.name == "prepared", "a folder's name within its parent", prepared.name);
    Check(prepared.hasSubfolders, "prepared has subfolders");
    const std::vector<ShellFolder> visible = shell.Subfolders(*prepared.item);
    Print("prepared's subfolders (" + std::to_string(visible.size()) + "):");
    for (const ShellFolder &folder : visible)
        Print(Describe(shell, folder));
    Check(Names(visible) == std::vector<std::string>{"a", "b"},
          "prepared lists a and b: not the hidden folder, not the file", Join(Names(visible)));
    if (visible.size() == 2) {
        Check(shell.ParsingName(*visible[0].item) == root + "\\prepared\\a", "the parsing name of prepared\\a",
              shell.ParsingName(*visible[0].item));
        Check(shell.ParsingName(*visible[1].item) == root + "\\prepared\\b", "the parsing name of prepared\\b",
              shell.ParsingName(*visible[1].item));
        Check(visible[0].hasSubfolders, "prepared\\a (holding inner) has subfolders");
        Check(shell.DisplayName(*visible[0].item) == "a", "DisplayName of prepared\\a",
              shell.DisplayName(*visible[0].item));
        Check(shell.Exists(*visible[0].item), "prepared\\a exists");
        Check(shell.Subfolders(*visible[1].item).empty(), "prepared\\b lists nothing");
    }

    // ---- a thousand subfolders, in the shell's order
    const ShellFolder many = FindByParsingName(shell, rootChildren, root + "\\many");
    Check(many.item != nullptr, "the test folder lists many");
    if (many.item != nullptr) {
        const auto started = std::chrono::steady_clock::now();
        const std::vector<ShellFolder> thousand = shell.Subfolders(*many.item);
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - started)
                                 .count();
        Print("many: " + std::to_string(thousand.size()) + " subfolders listed in " + std::to_string(elapsed) +
              " ms");
        Check(thousand.size() == kManyFolders, "many lists all 1000 subfolders", std::to_string(thousand.size()));
        bool inOrder = thousand.size() == kManyFolders;
        for (int i = 0; inOrder && i < kManyFolders; ++i) {
            char expected[16];
            std::snprintf(expected, sizeof expected, "d%04d", i);
            inOrder = thousand[static_cast<std::size_t>(i)].name == expected;
        }
        Check(inOrder, "many's subfolders come in the shell's order (by name)",
              thousand.empty() ? std::string() : thousand.front().name + " ... " + thousand.back().name);
    }

    // ---- a folder deleted after it was listed
    const ShellFolder gone = FindByParsingName(shell, rootChildren, root + "\\gone");
    Check(gone.item != nullptr, "the test folder lists gone");
    if (gone.item != nullptr) {
        const std::vector<ShellFolder> before = shell.Subfolders(*gone.item);
        Check(before.size() == 1, "gone lists inner before it is deleted", std::to_string(before.size()));
        Check(shell.Exists(*gone.item), "gone exists before it is deleted");
        const bool removed = RemoveDirectoryW(Widen(root + "\\gone\\inner").c_str()) &&
                             RemoveDirectoryW(Widen(root + "\\gone").c_str());
        Check(removed, "gone and gone\\inner are deleted");
        Check(shell.Subfolders(*gone.item).empty(), "a deleted folder lists nothing");
        Check(shell.ParsingName(*gone.item).empty(), "a deleted folder has no parsing name",
              shell.ParsingName(*gone.item));
        Check(!shell.Exists(*gone.item), "a deleted folder does not exist");
        Print("gone, deleted: DisplayName \"" + shell.DisplayName(*gone.item) + "\", icon " +
              std::to_string(qz::win::SmallIconIndex(*gone.item, false)));
        if (!before.empty()) {
            Check(shell.Subfolders(*before[0].item).empty(), "a subfolder of a deleted folder lists nothing");
            Check(!shell.Exists(*before[0].item), "a subfolder of a deleted folder does not exist");
            Check(shell.ParsingName(*before[0].item).empty(), "a subfolder of a deleted folder has no parsing name");
        }
        Check(shell.FromParsingName(root + "\\gone").item == nullptr,
              "a deleted folder is not found by its parsing name");
    }

    // ---- icons
    HIMAGELIST images = qz::win::SmallSystemImageList();
    Check(images != nullptr, "the small system image list");
    const int imageCount = images != nullptr ? ImageList_GetImageCount(images) : 0;
    int iconWidth = 0;
    int iconHeight = 0;
    if (images != nullptr)
        ImageList_GetIconSize(images, &iconWidth, &iconHeight);
    const int closedIcon = qz::win::SmallIconIndex(*prepared.item, false);
    const int openIcon = qz::win::SmallIconIndex(*prepared.item, true);
    const int desktopIcon = qz::win::SmallIconIndex(*desktop.item, false);
    const int computerIcon = qz::win::SmallIconIndex(*computer.item, false);
    const int driveIcon = qz::win::SmallIconIndex(*driveZ.item, false);
    const int countAfter = images != nullptr ? ImageList_GetImageCount(images) : 0;
    Print("icons: list of " + std::to_string(imageCount) + " then " + std::to_string(countAfter) + " (" +
          std::to_string(iconWidth) + "x" + std::to_string(iconHeight) + "); folder " + std::to_string(closedIcon) +
          ", open folder " + std::to_string(openIcon) + ", desktop " + std::to_string(desktopIcon) +
          ", My Computer " + std::to_string(computerIcon) + ", Z: " + std::to_string(driveIcon));
    Check(closedIcon >= 0, "a folder's small icon (closed)");
    Check(openIcon >= 0, "a folder's small icon (open)");
    Check(desktopIcon >= 0, "the desktop's small icon");
    Check(computerIcon >= 0, "My Computer's small icon");
    Check(driveIcon >= 0, "drive Z:'s small icon");
    Check(closedIcon < countAfter && openIcon < countAfter && driveIcon < countAfter,
          "the icon indexes are in the system image list");
    Check(images == qz::win::SmallSystemImageList(), "the system image list is one list");
    // Whatever way the icon is found, it is the one the shell gives the folder.
    Check(closedIcon == ShellIconOf(*prepared.item, false), "a plain folder's icon is the shell's",
          std::to_string(ShellIconOf(*prepared.item, false)));
    Check(openIcon == ShellIconOf(*prepared.item, true), "a plain folder's open icon is the shell's",
          std::to_string(ShellIconOf(*prepared.item, true)));
    Check(many.item != nullptr && qz::win::SmallIconIndex(*many.item, true) == ShellIconOf(*many.item, true) &&
              qz::win::SmallIconIndex(*many.item, false) == ShellIconOf(*many.item, false),
          "another plain folder's icons are the shell's");
    Check(driveIcon == ShellIconOf(*driveZ.item, false) && driveIcon != closedIcon,
          "a drive has the shell's drive icon, not a folder's");

    // A folder with its own icon (desktop.ini, marked as system) keeps it.
    {
        const std::wstring custom = Widen(root + "\\custom");
        CreateDirectoryW(custom.c_str(), nullptr);
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring ini = custom + L"\\desktop.ini";
        const std::wstring library = std::wstring(system) + L"\\shell32.dll";
        WritePrivateProfileStringW(L".ShellClassInfo", L"IconFile", library.c_str(), ini.c_str());
        WritePrivateProfileStringW(L".ShellClassInfo", L"IconIndex", L"8", ini.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
        SetFileAttributesW(custom.c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);
        const ShellFolder marked = shell.FromParsingName(root + "\\custom");
        Check(marked.item != nullptr, "the folder custom is found");
        if (marked.item != nullptr) {
            const int own = qz::win::SmallIconIndex(*marked.item, false);
            Print("custom: icon " + std::to_string(own) + ", the shell's " +
                  std::to_string(ShellIconOf(*marked.item, false)));
            Check(own == ShellIconOf(*marked.item, false), "a folder with its own icon shows the shell's answer");
            Check(own >= 0 && own != closedIcon, "a folder with its own icon does not show the plain folder icon");
        }
        SetFileAttributesW(custom.c_str(), FILE_ATTRIBUTE_DIRECTORY);
        DeleteFileW(ini.c_str());
        RemoveDirectoryW(custom.c_str());
    }

    // ---- an item this namespace did not make
    WinShellNamespace other;
    const ForeignItem foreign;
    Check(qz::win::IdListOf(foreign) == nullptr, "a foreign item has no identifier list");
    Check(other.Subfolders(foreign).empty(), "a foreign item lists nothing");
    Check(other.ParsingName(foreign).empty() && other.DisplayName(foreign).empty(), "a foreign item has no names");
    Check(!other.Exists(foreign), "a foreign item does not exist");
    Check(qz::win::SmallIconIndex(foreign, false) == -1, "a foreign item has no icon");
    Check(!qz::win::ShowContextMenu(nullptr, foreign, POINT{0, 0}), "a foreign item has no context menu");

    // ---- listing with an owner window
    qz::win::UniqueWindow ownerWindow(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                                                      nullptr, GetModuleHandleW(nullptr), nullptr));
    other.SetOwner(ownerWindow.get());
    Check(Names(other.Subfolders(*prepared.item)) == Names(visible), "listing with an owner window lists the same");
    Check(Names(other.Subfolders(*computer.item)) == Names(drives), "My Computer with an owner window lists the same");

    // ---- the context menu of a folder
    TestContextMenu(prepared);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    // As in the launcher: the namespace, its icons and its menu are used
    // with the search for libraries restricted to the system folder.
    qz::win::RestrictLibrarySearch();
    SetConsoleOutputCP(CP_UTF8);
    if (argc != 2) {
        Print("usage: shell_namespace_test <test folder>");
        return 2;
    }
    std::string root = Narrow(argv[1]);
    while (root.size() > 3 && root.back() == '\\')
        root.pop_back();

    qz::win::ComApartment com;
    // The context menu's Cut, Copy and Paste go through the OLE clipboard,
    // which COM alone does not open.
    qz::win::ComPtr<IDataObject> clipboard;
    Check(OleGetClipboard(clipboard.put()) != CO_E_NOTINITIALIZED, "OLE is initialised for the thread");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        if (Run(root) != 0)
            Check(false, "the checks that depend on the one above were not run");
    } catch (const std::exception &error) {
        Check(false, std::string("an exception: ") + error.what());
    }
    return qz::wine::Finish();
}
