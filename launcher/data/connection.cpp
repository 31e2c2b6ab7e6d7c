#include "connection.h"

#include "../errors.h"
#include "../text/utf16.h"
#include "../unique_handle.h"
#include "odbc_string.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace qz::data {

namespace {

using text::ToUtf16;
using text::ToUtf8;

void FreeEnvironment(SQLHENV handle)
{
    SQLFreeHandle(SQL_HANDLE_ENV, handle);
}

// The driver manager refuses to free a connected handle: disconnected first
// (which a handle that never connected refuses, harmlessly).
void DisconnectAndFree(SQLHDBC handle)
{
    SQLDisconnect(handle);
    SQLFreeHandle(SQL_HANDLE_DBC, handle);
}

void FreeStatement(SQLHSTMT handle)
{
    SQLFreeHandle(SQL_HANDLE_STMT, handle);
}

using EnvironmentHandle = UniqueHandle<SQLHENV, FreeEnvironment>;
using ConnectionHandle = UniqueHandle<SQLHDBC, DisconnectAndFree>;
using StatementHandle = UniqueHandle<SQLHSTMT, FreeStatement>;

// A new handle of the type below its parent; empty when none can be made.
template <typename Owner>
Owner Allocate(SQLSMALLINT type, SQLHANDLE parent)
{
    SQLHANDLE handle = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle)))
        handle = SQL_NULL_HANDLE;
    return Owner(handle);
}

SQLWCHAR *Wide(std::u16string &text)
{
    return reinterpret_cast<SQLWCHAR *>(text.data());
}

// The driver's own text for the last failure on a handle: its first
// diagnostic record, as the OLE DB layer would report it.
std::string DriverMessage(SQLSMALLINT type, SQLHANDLE handle, std::string_view fallback)
{
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::u16string message(1024, u'\0');
    const SQLRETURN result = SQLGetDiagRecW(type, handle, 1, state, &native, Wide(message),
                                            static_cast<SQLSMALLINT>(message.size()), &length);
    if (!SQL_SUCCEEDED(result) || length <= 0)
        return std::string(fallback);
    message.resize(std::min<std::size_t>(static_cast<std::size_t>(length), message.size() - 1));
    return ToUtf8(message);
}

Status Check(SQLRETURN result, SQLSMALLINT type, SQLHANDLE handle, std::string_view what)
{
    if (!SQL_SUCCEEDED(result) && result != SQL_NO_DATA)
        return Error(DriverMessage(type, handle, what));
    return {};
}

}  // namespace

// Freed in reverse: the connection before its environment.
struct OdbcHandles {
    EnvironmentHandle environment;
    ConnectionHandle connection;
};

Connection::Connection() = default;
Connection::~Connection()
{
    Close();
}

bool Connection::IsOpen() const
{
    return handles_ != nullptr;
}

void Connection::Close()
{
    handles_.reset();
}

Status Connection::Open(std::string_view oledbConnectionString, std::chrono::seconds loginTimeout)
{
    Close();
    const Result<std::string> odbcString = OdbcConnectionString(oledbConnectionString);
    if (!odbcString)
        return odbcString.Failure();
    std::u16string odbc = ToUtf16(*odbcString);

    auto handles = std::make_unique<OdbcHandles>();
    handles->environment = Allocate<EnvironmentHandle>(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    if (!handles->environment)
        return Error("The ODBC driver manager cannot be loaded.");
    SQLHENV environment = handles->environment.get();
    if (Status set = Check(SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION,
                                         reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(SQL_OV_ODBC3)), 0),
                           SQL_HANDLE_ENV, environment, "The ODBC driver manager refused version 3.");
        !set)
        return set;
    handles->connection = Allocate<ConnectionHandle>(SQL_HANDLE_DBC, environment);
    if (!handles->connection)
        return Error("No ODBC connection can be made.");
    SQLHDBC connection = handles->connection.get();
    if (Status set = Check(SQLSetConnectAttrW(connection, SQL_ATTR_LOGIN_TIMEOUT,
                                              reinterpret_cast<SQLPOINTER>(
                                                  static_cast<std::uintptr_t>(loginTimeout.count())),
                                              0),
                           SQL_HANDLE_DBC, connection, "The login time-out cannot be set.");
        !set)
        return set;

    SQLSMALLINT outLength = 0;
    const SQLRETURN result =
        SQLDriverConnectW(connection, nullptr, Wide(odbc), SQL_NTS, nullptr, 0, &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(result))
        return Error(DriverMessage(SQL_HANDLE_DBC, connection, "The connection failed."));
    handles_ = std::move(handles);
    return {};
}

std::string CommandText(std::string_view text)
{
    std::string command;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            command.append(text.substr(at)).append("\r\n");
            break;
        }
        command.append(text.substr(at, end - at)).append("\r\n");
        at = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return command;
}

Status Query::Open()
{
    return Run(true);
}

Status Query::ExecSql()
{
    return Run(false);
}

Status Query::Run(bool countRows)
{
    recordCount_ = 0;
    if (!connection_.handles_)
        return Error("Operation is not allowed when the object is closed.");
    SQLHDBC connection = connection_.handles_->connection.get();
    const auto owner = Allocate<StatementHandle>(SQL_HANDLE_STMT, connection);
    if (!owner)
        return Error(DriverMessage(SQL_HANDLE_DBC, connection, "No statement can be made."));
    SQLHSTMT statement = owner.get();
    const auto check = [statement](SQLRETURN result, std::string_view what) {
        return Check(result, SQL_HANDLE_STMT, statement, what);
    };
    if (Status set = check(SQLSetStmtAttrW(statement, SQL_ATTR_QUERY_TIMEOUT,
                                           reinterpret_cast<SQLPOINTER>(
                                               static_cast<std::uintptr_t>(connection_.statementTimeout_.count())),
                                           0),
                           "The statement time-out cannot be set.");
        !set)
        return set;

    std::u16string command = ToUtf16(command_);
    if (Status ran = check(SQLExecDirectW(statement, Wide(command), SQL_NTS), "The statement failed."); !ran)
        return ran;

    // Rows of the first result are counted; every later result is read too,
    // so that an error reported after the first one is not lost.
    bool first = true;
    for (;;) {
        SQLSMALLINT columns = 0;
        if (Status read = check(SQLNumResultCols(statement, &columns), "The result cannot be read."); !read)
            return read;
        if (columns > 0) {
            SQLRETURN fetched;
            while (SQL_SUCCEEDED(fetched = SQLFetch(statement)))
                if (countRows && first)
                    ++recordCount_;
            if (Status read = check(fetched, "The rows cannot be read."); !read)
                return read;
            first = false;
        }
        const SQLRETURN more = SQLMoreResults(statement);
        if (more == SQL_NO_DATA)
            break;
        if (Status read = check(more, "The next result cannot be read."); !read)
            return read;
    }
    SQLFreeStmt(statement, SQL_CLOSE);
    return {};
}

}  // namespace qz::data
