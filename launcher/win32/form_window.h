// The Win32 realisation of TForm_qz: the application's own window, the main
// window, one real window per control, the picture, and the Services that the
// handlers call.
#pragma once

#include "../form.h"
#include "../picture.h"
#include "handles.h"
#include "odbc_database.h"
#include "shell_namespace_win32.h"

#include <commctrl.h>

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace qz::win {

class FormWindow;

// One window of a control of our own classes (image, label, panel, group
// box, speed button), bound to its control object.
class ControlWindow {
public:
    ControlWindow(FormWindow &form, Control &control) : form_(form), control_(control) {}
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Paint(HDC dc);
    void PaintSpeedButton(HDC dc, const RECT &client);
    void OnButtonUp(LPARAM lParam);

    FormWindow &form_;
    Control &control_;
    HWND window_ = nullptr;
    bool pressed_ = false;
    bool hot_ = false;
};

class FormWindow final : public Services, public ControlObserver, public FolderTree::Observer {
public:
    explicit FormWindow(HINSTANCE instance);
    ~FormWindow() override;

    // Creates the application window, the main window and the windows of the
    // controls that show with it, all hidden.
    void Create();
    // Raises the show event, centres the window, makes it visible and paints
    // it; then creates the windows of the controls hidden at first (panels and
    // what they hold), so that the picture is up before they are made.
    void Show();
    // Moves the focus along the tab order; true when the message was a Tab.
    bool HandleTab(const MSG &message);

    HWND MainWindow() const { return main_; }
    HWND ApplicationWindow() const { return application_; }
    TForm_qz &Form() { return form_; }

    // Services
    int ShowMessageBox(std::string_view text, std::string_view title, unsigned flags) override;
    std::string ProgramFolder() override;
    void CloseMainWindow() override;
    Database &Data() override { return database_; }
    ShellNamespace &Namespace() override { return shell_; }
    std::unique_ptr<Registry> OpenRegistry() override;
    void ShellOpen(std::string_view path) override;
    void RunHidden(std::string_view commandLine) override;
    void SetBusy(bool busy) override;

    // ControlObserver
    void ControlChanged(Control &control, Property property) override;

    // FolderTree::Observer: the tree view follows the tree.
    void ChildrenRemoving(FolderTree::Node &node) override;
    void ChildrenListed(FolderTree::Node &node) override;
    void SelectionMoved(FolderTree::Node *node) override;
    void Listing(bool busy) override;

    // Used by the control windows.
    void RunHandler(Control &sender);
    // Runs the tree's key press handler; the character to pass on, or 0.
    char32_t RunKeyPress(char32_t key);
    HFONT FontFor(const ControlSpec &row);
    HCURSOR CursorFor(const ControlSpec &row) const;
    void PaintPicture(HDC dc, HWND window, const RECT &area);
    void DrawGlyph(HDC dc, const RECT &area, bool enabled);

private:
    static LRESULT CALLBACK ApplicationProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK MainProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMainMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void RegisterClasses();
    void CreateControlWindow(Control &control);
    bool ShownAtStart(const ControlSpec &row) const;
    HWND ParentWindowOf(const ControlSpec &row) const;
    Control *ControlOf(HWND window) const;
    void FitWidthToText(Control &control);
    // The folder tree's window: its items, its notifications, typed keys.
    HWND TreeWindow() const;
    HTREEITEM InsertTreeItem(FolderTree::Node &node, HTREEITEM parent);
    LRESULT OnTreeNotify(NMHDR &header);
    void ShowTreeContextMenu();
    static LRESULT CALLBACK TreeProc(HWND, UINT, WPARAM, LPARAM);
    void EnsurePicture(HDC dc);
    std::vector<HWND> TabSequence() const;
    void AppendTabStops(std::string_view parent, std::vector<HWND> &sequence) const;

    HINSTANCE instance_;
    // Declared before the form: the connection outlives every handler and
    // closes when the program ends.
    data::OdbcDatabase database_;
    WinShellNamespace shell_;
    TForm_qz form_;
    std::map<const FolderTree::Node *, HTREEITEM> treeItems_;
    WNDPROC treeDefaultProc_ = nullptr;
    bool busy_ = false;
    HWND application_ = nullptr;
    HWND main_ = nullptr;
    std::map<std::string_view, HWND> windows_;
    std::vector<std::unique_ptr<ControlWindow>> controlWindows_;
    std::map<std::tuple<std::string_view, int, bool>, UniqueFont> fonts_;
    HCURSOR hand_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;

    // The background picture, decoded once at the first paint.
    bool pictureTried_ = false;
    UniqueBitmap picture_;
    UniquePalette palette_;
    UniqueMemoryDc pictureDc_;
    HGDIOBJ pictureDcDefault_ = nullptr;
    UniqueBitmap glyph_;
};

}  // namespace qz::win
