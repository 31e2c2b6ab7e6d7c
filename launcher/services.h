// What the form's handlers need of the platform, as one narrow interface, so
// that every handler runs natively against a fake and on Windows against the
// real thing.
#pragma once

#include <string>
#include <string_view>

namespace qz {

class Services {
public:
    virtual ~Services() = default;

    // Shows a message box modal to the whole launcher and returns the button
    // pressed (IDOK, IDYES, IDNO, ...). Every box of the launcher goes here.
    virtual int ShowMessageBox(std::string_view text, std::string_view title, unsigned flags) = 0;

    // The folder of the running program's own file, ending in a separator;
    // computed afresh on each call.
    virtual std::string ProgramFolder() = 0;

    // Closes the main window, which ends the program.
    virtual void CloseMainWindow() = 0;
};

}  // namespace qz
