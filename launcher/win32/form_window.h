// The Win32 realisation of TForm_qz: the main window and one real window per
// control, created from the layout table and the table of control kinds,
// kept in step with the control objects, and routing Windows' messages to
// the form's events.
#pragma once

#include "../form.h"
#include "application_window.h"
#include "background.h"
#include "control_window.h"
#include "fonts.h"
#include "handles.h"
#include "platform.h"
#include "program_icons.h"

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

namespace qz::win {

class FormWindow final : public ControlObserver {
public:
    FormWindow(HINSTANCE instance, Platform &platform);
    ~FormWindow() override;
    FormWindow(const FormWindow &) = delete;
    FormWindow &operator=(const FormWindow &) = delete;

    // Creates the application window, the main window and the windows of the
    // controls that show with it, all hidden.
    Status Create();
    // Raises the show event, centres the window, makes it visible and paints
    // it; then creates the windows of the controls hidden at first (panels and
    // what they hold), so that the picture is up before they are made.
    Status Show();
    // Moves the focus along the tab order; true when the message was a Tab.
    bool HandleTab(const MSG &message) const;

    HWND MainWindow() const { return main_.get(); }
    TForm_qz &Form() { return form_; }

    void ControlChanged(Control &control, Property property) override;

    // The main window's messages (through WindowProcedure).
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void RegisterMainClass();
    Status CreateControlWindow(Control &control);
    bool VisibleWithParents(const ControlSpec &row) const;
    HWND WindowNamed(std::string_view name) const;
    ControlWindow *RecordOf(HWND window);
    ControlWindow *RecordOf(const Control &control);
    void GiveFont(ControlWindow &record);
    void GiveFontsToShownWindows();
    void FitWidthToText(ControlWindow &record);
    // Every control's window, children before their parents; their names first.
    void DestroyControlWindows();

    HINSTANCE instance_;
    Platform &platform_;
    TForm_qz form_;
    Background background_;
    Fonts fonts_;
    ProgramIcons icons_;
    ApplicationWindow application_;
    ControlContext context_;
    UniqueWindow main_;
    std::optional<ControlName> mainName_;
    // In the order made: a parent before what it holds.
    std::vector<ControlWindow> windows_;
};

}  // namespace qz::win
