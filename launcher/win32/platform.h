// The launcher's reach into Windows, behind the form's Services: message
// boxes, the registry, program starts, the program folder, the busy cursor;
// it owns the main window's database and the shell namespace.
#pragma once

#include "../services.h"
#include "cursors.h"
#include "odbc_database.h"
#include "off_thread.h"
#include "shell_namespace_win32.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

namespace qz::win {

class Platform final : public Services {
public:
    explicit Platform(HINSTANCE instance) : cursors_(instance) {}

    // The application's own window (the owner of every box) and the main
    // window, once they exist.
    void Attach(HWND application, HWND main);

    const Cursors &Pointers() const { return cursors_; }

    int ShowMessageBox(std::string_view text, std::string_view title, unsigned flags) override;
    std::string ProgramFolder() override;
    void CloseMainWindow() override;
    Database &Data() override { return offThread_; }
    ShellNamespace &Namespace() override { return shell_; }
    std::unique_ptr<Registry> OpenRegistry() override;
    void ShellOpen(std::string_view path) override;
    Status RunHidden(std::string_view commandLine) override;
    void SetBusy(bool busy) override;
    bool CanRead(std::string_view path) override;

private:
    // The connection outlives every handler and closes when the program ends.
    data::OdbcDatabase database_;
    // Every call on it runs off the UI thread.
    OffThreadDatabase offThread_{database_};
    WinShellNamespace shell_;
    Cursors cursors_;
    HWND application_ = nullptr;
    HWND main_ = nullptr;
};

// Read-only access to HKEY_LOCAL_MACHINE in its 32-bit view, where the 32-bit
// engine setup writes its key, whichever build reads it.
std::unique_ptr<Registry> MachineRegistry();

}  // namespace qz::win
