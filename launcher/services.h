// What the form's handlers need of the platform, as one narrow interface, so
// that every handler runs natively against a fake and on Windows against the
// real thing.
#pragma once

#include "shell_namespace.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Registry value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;

// Read access to keys of the machine hive, for one click: the accessor is
// made and released within the handler, and closes its key when released.
class Registry {
public:
    struct Value {
        std::uint32_t type = 0;
        // The value's data as stored: for string types, their characters in
        // UTF-8 (the whole data, terminating zeros included when stored).
        std::string text;
    };

    virtual ~Registry() = default;
    // Opens a key below the machine hive (no leading separator); false when
    // it cannot be opened. Never creates it.
    virtual bool OpenKey(std::string_view path) = 0;
    // The first query: the size of the value's data in bytes, or nothing
    // when the value cannot be queried.
    virtual std::optional<std::uint32_t> ValueSize(std::string_view name) = 0;
    // The second query, into a buffer of that size: the data and its type,
    // or nothing when the query fails.
    virtual std::optional<Value> ReadValue(std::string_view name, std::uint32_t size) = 0;
    // Closes the key, if one is open.
    virtual void CloseKey() = 0;
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

    // The shell's namespace, for the folder chooser.
    virtual ShellNamespace &Namespace() = 0;

    // A registry accessor for the machine hive.
    virtual std::unique_ptr<Registry> OpenRegistry() = 0;

    // Starts a program through the shell with the verb "open", owned by the
    // main window, no parameters, no working directory, shown normally. The
    // result is not examined and nothing is waited for.
    virtual void ShellOpen(std::string_view path) = 0;

    // Runs a command line hidden, without waiting.
    virtual void RunHidden(std::string_view commandLine) = 0;

    // Whether a file exists and can be opened for reading.
    virtual bool CanRead(std::string_view path) = 0;

    // While busy, the launcher shows the wait cursor; the window is brought
    // up to date first, so that what the handler set so far is painted.
    virtual void SetBusy(bool busy) = 0;
};

}  // namespace qz
