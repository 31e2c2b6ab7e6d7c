// TForm_qz, the launcher's one main window: its controls by their given names
// and its event handlers. Handlers reach the platform only through Services.
#pragma once

#include "controls.h"
#include "folder_tree.h"
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

    // The events as the platform raises them: each runs the handler that
    // the sender's row names, if it names one.
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
    // The controls, in declaration order.
    Control &Image1;
    Control &SpeedBsjwj;
    Control &Panel3;
    Control &Label2;
    Control &GroupBox1;
    Control &SpeedBlj;
    Control &Label3;
    Control &Label4;
    Control &Label5;
    Control &Label6;
    Control &EditPath;
    Control &Editserver;
    Control &Editusername;
    Control &EditPassW;
    Control &SpeedBljfh;
    Control &SpeedBQD;
    Control &Panel1;
    Control &GroupBox2;
    Control &ShellTreeV;
    Control &SpeedBljqd;
    Control &ADOConn;
    Control &ADOQPb;
    Control &Labelmsde;
    Control &Labelgzrj;
    Control &Labeltcqz;
};

}  // namespace qz
