// What the form's handlers need of the platform, as one narrow interface, so
// that every handler runs natively against a fake and on Windows against the
// real thing.
#pragma once

#include <string>
#include <string_view>

namespace qz {

// The database connection (the role of ADOConn) and the query on it (the role
// of ADOQPb), as the restore uses them. Every failure is thrown as an error
// carrying the driver's text.
class Database {
public:
    virtual ~Database() = default;
    // Closes the connection; does nothing when it is closed.
    virtual void Close() = 0;
    // Opens the connection from an OLE DB connection string (15 s time-out).
    virtual void Open(std::string_view connectionString) = 0;
    // Replaces the query's text and opens it; the record count of its result.
    virtual long long OpenQuery(std::string_view sql) = 0;
    // Replaces the query's text and runs it as a statement without rows
    // (30 s time-out).
    virtual void Execute(std::string_view sql) = 0;
};

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

    // The main window's database connection and query.
    virtual Database &Data() = 0;

    // While busy, the launcher shows the wait cursor; the window is brought
    // up to date first, so that what the handler set so far is painted.
    virtual void SetBusy(bool busy) = 0;
};

}  // namespace qz
