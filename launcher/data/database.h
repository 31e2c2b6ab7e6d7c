// Data access over ODBC: the connection (the role of ADOConn) and the query
// that runs on it (the role of ADOQPb). Wide ODBC functions only, so the same
// code runs with Windows' odbc32 and with unixODBC.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    // Throws qz::Error carrying the driver's message; the connection is then
    // closed and may be opened again.
    void Open(std::string_view oledbConnectionString, std::chrono::seconds loginTimeout = kLoginTimeout);
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

class Query {
public:
    explicit Query(Connection &connection) : connection_(connection) {}

    // The statement's text as lines; the command sent is each line followed
    // by CR LF.
    const std::vector<std::string> &Lines() const { return lines_; }
    // Replaces the text; it is split into lines at line breaks, and the
    // command is built from them once, here.
    void SetText(std::string_view text);
    const std::string &CommandText() const { return command_; }

    // Runs the text as a query and counts the rows of its result.
    void Open();
    // Runs the text as a statement that returns no rows.
    void ExecSql();
    // Forgets the last result.
    void Close() { recordCount_ = 0; }
    long long RecordCount() const { return recordCount_; }

private:
    void Run(bool countRows);

    Connection &connection_;
    std::vector<std::string> lines_;
    std::string command_;
    long long recordCount_ = 0;
};

}  // namespace qz::data
