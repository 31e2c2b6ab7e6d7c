// The Win32 realisation of TForm_qz: the application's own window, the main
// window and one real window per control, created from the layout table,
// kept in step with the control objects, and routing Windows' messages to
// the form's events.
#pragma once

#include "../form.h"
#include "automation.h"
#include "background.h"
#include "control_windows.h"
#include "folder_tree_view.h"
#include "handles.h"
#include "platform.h"
#include "tab_navigation.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <vector>

namespace qz::win {

// Registers the classes of the common controls that the launcher uses;
// throws Error when the library refuses.
void LoadCommonControlClasses();

class FormWindow final : public ControlObserver {
public:
    FormWindow(HINSTANCE instance, Platform &platform);
    ~FormWindow() override;
    FormWindow(const FormWindow &) = delete;
    FormWindow &operator=(const FormWindow &) = delete;

    // Creates the application window, the main window and the windows of the
    // controls that show with it, all hidden.
    void Create();
    // Raises the show event, centres the window, makes it visible and paints
    // it; then creates the windows of the controls hidden at first (panels and
    // what they hold), so that the picture is up before they are made.
    void Show();
    // Moves the focus along the tab order; true when the message was a Tab.
    bool HandleTab(const MSG &message) const { return navigation_.Handle(message); }

    HWND MainWindow() const { return main_; }
    TForm_qz &Form() { return form_; }

    void ControlChanged(Control &control, Property property) override;

    // The main window's messages (through WindowProcedure).
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    Services &Failures() { return platform_; }

private:
    class ApplicationWindow;

    void RegisterClasses();
    void CreateControlWindow(Control &control);
    void CreateSystemControl(Control &control, HWND window);
    bool ShownAtStart(const ControlSpec &row) const;
    HWND ParentWindowOf(const ControlSpec &row) const;
    ControlEvents EventsOf(Control &control) { return {&form_, &control}; }
    void FitWidthToText(Control &control);
    NotificationTarget *TargetOf(HWND window) const;
    HFONT FontFor(const ControlSpec &row);

    HINSTANCE instance_;
    Platform &platform_;
    TForm_qz form_;
    Background background_;
    std::map<std::tuple<std::string_view, int, bool>, UniqueFont> fonts_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    std::unique_ptr<ApplicationWindow> applicationWindow_;
    HWND application_ = nullptr;
    HWND main_ = nullptr;
    std::map<std::string_view, HWND> windows_;
    // What decodes each child window's notifications, by its handle (a few).
    std::vector<std::pair<HWND, NotificationTarget *>> targets_;
    std::vector<std::unique_ptr<OwnControl>> ownControls_;
    std::vector<std::unique_ptr<NotificationTarget>> systemControls_;
    std::unique_ptr<FolderTreeView> treeView_;
    std::vector<ControlName> names_;
    TabNavigation navigation_{windows_, main_};
};

}  // namespace qz::win
