// qzengine-probe: connects through unixODBC with a connection string and
// runs statements one after another on that connection, printing what the
// driver returns: the result of each call, its diagnostics, the rows and
// the row count. For trying the stand-in engine through the real driver.
//
//   qzengine-probe --connect "DRIVER={SQL Server};SERVER=127.0.0.1;UID=sa;PWD=;DATABASE=master"
//                  [--login-timeout S] [--hold-ms N] [[--query-timeout S] STATEMENT]...
//
// --query-timeout applies to the statements that follow it (0: none).
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

// An ODBC handle, freed once.
class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle_)))
            handle_ = SQL_NULL_HANDLE;
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle()
    {
        if (handle_ != SQL_NULL_HANDLE)
            SQLFreeHandle(type_, handle_);
    }
    SQLHANDLE Get() const { return handle_; }
    SQLSMALLINT Type() const { return type_; }

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

const char *ReturnName(SQLRETURN rc)
{
    switch (rc) {
    case SQL_SUCCESS: return "SQL_SUCCESS";
    case SQL_SUCCESS_WITH_INFO: return "SQL_SUCCESS_WITH_INFO";
    case SQL_NO_DATA: return "SQL_NO_DATA";
    case SQL_ERROR: return "SQL_ERROR";
    case SQL_INVALID_HANDLE: return "SQL_INVALID_HANDLE";
    case SQL_STILL_EXECUTING: return "SQL_STILL_EXECUTING";
    default: return "other";
    }
}

void Report(const char *call, SQLRETURN rc, const Handle &handle)
{
    std::cout << call << ": " << ReturnName(rc) << '\n';
    SQLCHAR state[6];
    SQLINTEGER native = 0;
    SQLCHAR text[1024];
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1;
         SQL_SUCCEEDED(SQLGetDiagRec(handle.Type(), handle.Get(), record, state, &native, text, sizeof text, &length));
         ++record)
        std::cout << "  diag " << state << " native " << native << ": " << text << '\n';
}

void RunStatement(const Handle &connection, const std::string &sql, long query_timeout)
{
    Handle statement(SQL_HANDLE_STMT, connection.Get());
    if (query_timeout > 0)
        SQLSetStmtAttr(statement.Get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(query_timeout), 0);
    std::cout << "statement: " << sql << '\n';
    auto started = std::chrono::steady_clock::now();
    SQLRETURN rc =
        SQLExecDirect(statement.Get(), reinterpret_cast<SQLCHAR *>(const_cast<char *>(sql.c_str())), SQL_NTS);
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    Report("SQLExecDirect", rc, statement);
    std::cout << "  elapsed " << elapsed.count() << " ms\n";
    if (!SQL_SUCCEEDED(rc))
        return;
    SQLSMALLINT columns = 0;
    SQLNumResultCols(statement.Get(), &columns);
    if (columns > 0) {
        long rows = 0;
        while (SQL_SUCCEEDED(rc = SQLFetch(statement.Get()))) {
            ++rows;
            std::cout << "  row " << rows << ':';
            for (SQLSMALLINT column = 1; column <= columns; ++column) {
                SQLCHAR value[512];
                SQLLEN indicator = 0;
                SQLGetData(statement.Get(), column, SQL_C_CHAR, value, sizeof value, &indicator);
                std::cout << ' ' << (indicator == SQL_NULL_DATA ? "NULL" : reinterpret_cast<char *>(value));
            }
            std::cout << '\n';
        }
        Report("SQLFetch", rc, statement);
        std::cout << "  columns " << columns << " rows " << rows << '\n';
    }
    SQLLEN count = -1;
    SQLRowCount(statement.Get(), &count);
    std::cout << "  row count " << count << '\n';
}

}  // namespace

int main(int argc, char **argv)
{
    std::string connect;
    long login_timeout = 15;
    long query_timeout = 0;
    long hold_ms = 0;
    struct Step {
        std::string sql;
        long query_timeout;
    };
    std::vector<Step> steps;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << argument << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (argument == "--connect")
            connect = value();
        else if (argument == "--login-timeout")
            login_timeout = std::stol(value());
        else if (argument == "--query-timeout")
            query_timeout = std::stol(value());
        else if (argument == "--hold-ms")
            hold_ms = std::stol(value());
        else
            steps.push_back({argument, query_timeout});
    }
    if (connect.empty()) {
        std::cerr << "usage: qzengine-probe --connect STRING [--login-timeout S] [--hold-ms N] "
                     "[[--query-timeout S] STATEMENT]...\n";
        return 2;
    }

    Handle environment(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    SQLSetEnvAttr(environment.Get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    Handle connection(SQL_HANDLE_DBC, environment.Get());
    SQLSetConnectAttr(connection.Get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(login_timeout), 0);
    SQLCHAR out[1024];
    SQLSMALLINT out_length = 0;
    SQLRETURN rc =
        SQLDriverConnect(connection.Get(), nullptr, reinterpret_cast<SQLCHAR *>(const_cast<char *>(connect.c_str())),
                         SQL_NTS, out, sizeof out, &out_length, SQL_DRIVER_NOPROMPT);
    Report("SQLDriverConnect", rc, connection);
    if (!SQL_SUCCEEDED(rc))
        return 1;
    for (const Step &step : steps)
        RunStatement(connection, step.sql, step.query_timeout);
    if (hold_ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
    SQLDisconnect(connection.Get());
    return 0;
}
