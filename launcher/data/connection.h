// Data access over ODBC: the connection (the role of ADOConn) and the query
// that runs on it (the role of ADOQPb). Wide ODBC functions only, so the same
// code runs with Windows' odbc32 and with unixODBC.
#pragma once

#include "../errors.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace qz::data {

inline constexpr std::chrono::seconds kLoginTimeout{15};
inline constexpr std::chrono::seconds kStatementTimeout{30};

struct OdbcHandles;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens from an OLE DB connection string, waiting at most loginTimeout.
    // A failure carries the driver's message; the connection is then closed
    // and may be opened again.
    Status Open(std::string_view oledbConnectionString, std::chrono::seconds loginTimeout = kLoginTimeout);
    // Closes the connection (disconnects, then frees its handles); does
    // nothing when it is closed. The one way a connection ends: Open, a
    // failed Open and the destructor all come here.
    void Close();
    bool IsOpen() const;

    // How long a statement may run before it is cancelled and fails.
    std::chrono::seconds StatementTimeout() const { return statementTimeout_; }
    void SetStatementTimeout(std::chrono::seconds timeout) { statementTimeout_ = timeout; }

private:
    friend class Query;
    std::unique_ptr<OdbcHandles> handles_;
    std::chrono::seconds statementTimeout_ = kStatementTimeout;
};

// The command sent for a statement's text: each of its lines (split at CR LF,
// CR or LF) followed by CR LF.
std::string CommandText(std::string_view text);

class Query {
public:
    explicit Query(Connection &connection) : connection_(connection) {}

    // Replaces the text; the command is built from it once, here.
    void SetText(std::string_view text) { command_ = CommandText(text); }

    // Runs the text as a query and counts the rows of its result.
    Status Open();
    // Runs the text as a statement that returns no rows.
    Status ExecSql();
    // Forgets the last result.
    void Close() { recordCount_ = 0; }
    long long RecordCount() const { return recordCount_; }

private:
    Status Run(bool countRows);

    Connection &connection_;
    std::string command_;
    long long recordCount_ = 0;
};

}  // namespace qz::data
