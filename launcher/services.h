// What the form's handlers need of the platform, as one narrow interface, so
// that every handler runs natively against a fake and on Windows against the
// real thing.
#pragma once

#include "data/database.h"
#include "errors.h"
#include "registry.h"
#include "shell_namespace.h"

#include <memory>
#include <string>
#include <string_view>

namespace qz {

class Services : public ErrorReporter {
public:
    // Shows a message box modal to the whole launcher and returns the button
    // pressed (IDOK, IDYES, IDNO, ...). Every box of the launcher goes here.
    virtual int ShowMessageBox(std::string_view text, std::string_view title, unsigned flags) = 0;

    // The folder of the running program's own file, ending in a separator;
    // computed afresh on each call.
    virtual std::string ProgramFolder() = 0;

    // Closes the main window, which ends the program.
    virtual void CloseMainWindow() = 0;

    // The main window's database connection and query.
    virtual Database &Data() = 0;

    // The shell's namespace, for the folder chooser.
    virtual ShellNamespace &Namespace() = 0;

    // A registry accessor for the machine hive.
    virtual std::unique_ptr<Registry> OpenRegistry() = 0;

    // Starts a program through the shell with the verb "open", owned by the
    // main window, no parameters, no working directory, shown normally. The
    // result is not examined and nothing is waited for.
    virtual void ShellOpen(std::string_view path) = 0;

    // Runs a command line of the system's own programs hidden, without
    // waiting. Fails when the system folder cannot be had or the line names
    // no program of it; that it did not start is not reported.
    virtual Status RunHidden(std::string_view commandLine) = 0;

    // Whether a file exists and can be opened for reading.
    virtual bool CanRead(std::string_view path) = 0;

    // While busy, the launcher shows the wait cursor; the window is brought
    // up to date first, so that what the handler set so far is painted.
    virtual void SetBusy(bool busy) = 0;

    // The application error box through ShowMessageBox: its text made by
    // ApplicationErrorText, the application title, OK and the stop icon.
    void ReportError(std::string_view message) final;
};

}  // namespace qz
