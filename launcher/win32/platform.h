// The form's Services on Windows: each call handed on to the part of the
// launcher that does that job. The parts are made, and live, in the program's
// entry; this object only joins them to the form.
#pragma once

#include "../services.h"
#include "cursors.h"
#include "shell_namespace_win32.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

namespace qz::win {

class Platform final : public Services {
public:
    Platform(Cursors &cursors, Database &data, WinShellNamespace &shell) : cursors_(cursors), data_(data), shell_(shell)
    {}

    // The application's own window (the owner of every box) and the main
    // window, once they exist.
    void Attach(HWND application, HWND main);

    const Cursors &Pointers() const { return cursors_; }

    int ShowMessageBox(std::string_view text, std::string_view title, unsigned flags) override;
    std::string ProgramFolder() override;
    void CloseMainWindow() override;
    Database &Data() override { return data_; }
    ShellNamespace &Namespace() override { return shell_; }
    std::unique_ptr<Registry> OpenRegistry() override;
    void ShellOpen(std::string_view path) override;
    Status RunHidden(std::string_view commandLine) override;
    void SetBusy(bool busy) override;
    bool CanRead(std::string_view path) override;

private:
    Cursors &cursors_;
    Database &data_;
    WinShellNamespace &shell_;
    HWND application_ = nullptr;
    HWND main_ = nullptr;
};

}  // namespace qz::win
