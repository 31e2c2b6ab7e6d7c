// TForm_qz, the launcher's one main window: its controls by their given names
// and its event handlers. Handlers reach the platform only through Services.
#pragma once

#include "controls.h"
#include "folder_tree.h"
#include "form_controls.h"
#include "layout.h"
#include "services.h"

#include <memory>
#include <string_view>
#include <vector>

namespace qz {

class TForm_qz final : public ControlEvents {
public:
    explicit TForm_qz(Services &services);
    TForm_qz(const TForm_qz &) = delete;
    TForm_qz &operator=(const TForm_qz &) = delete;

    // Every control, in layout order.
    const std::vector<std::unique_ptr<Control>> &Controls() const { return controls_; }
    // The control of that name; the end of the program when there is none.
    Control &ControlNamed(std::string_view name) const;

    // The events as the platform raises them: each runs the sender's
    // handler of that event, if it has one.
    void Click(Control &sender) override;
    void KeyPress(Control &sender, char32_t &key) override;
    // The form's show event, before the window is first painted.
    void Show();

    // The form as a sender of its own events.
    Control &Self() { return self_; }

    // Show event: runs once, before the window is first painted.
    void FormShow(Control &sender);
    // Database settings panel: show it, Back, and OK (the restore).
    void SpeedBsjwjClick(Control &sender);
    void SpeedBljfhClick(Control &sender);
    void SpeedBQDClick(Control &sender);
    // Folder chooser: open it, its OK, a click and a typed character in the tree.
    void SpeedBljClick(Control &sender);
    void SpeedBljqdClick(Control &sender);
    void ShellTreeVClick(Control &sender);
    void ShellTreeVKeyPress(Control &sender, char32_t &key);
    // The chooser's tree of shell folders.
    FolderTree &Folders() { return folders_; }

    // Install-database zone: probes for the engine, starts its setup and its
    // service when missing, then shows the settings panel.
    void LabelmsdeClick(Control &sender);
    // Install-payroll zone: starts the payroll application's setup.
    void LabelgzrjClick(Control &sender);
    // Exit zone: closes the main window, which ends the program.
    void LabeltcqzClick(Control &sender);

private:
    // The settings panel shown, its status label hidden.
    void ShowSettingsPanel();
    // The work of the OK button and of the install-database zone; what
    // fails reaches the application error box.
    Status RestoreDatabase();
    Status InstallDatabase();

    Services &services_;
    FolderTree folders_;
    Control self_;
    std::vector<std::unique_ptr<Control>> controls_;

public:
    // The controls, each the member of its name (form_controls.h).
#define QZ_FORM_MEMBER(control, ...) Control &control;
    QZ_FORM_CONTROLS(QZ_FORM_MEMBER)
#undef QZ_FORM_MEMBER
};

}  // namespace qz
