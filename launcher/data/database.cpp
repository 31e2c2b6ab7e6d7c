#include "database.h"

#include "connection_string.h"
#include "errors.h"
#include "utf16.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace qz::data {

namespace {

// One ODBC handle, freed with its owner.
class Handle {
public:
    Handle() = default;
    Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle_)))
            handle_ = SQL_NULL_HANDLE;
    }
    Handle(Handle &&other) noexcept : type_(other.type_), handle_(other.handle_) { other.handle_ = SQL_NULL_HANDLE; }
    Handle &operator=(Handle &&other) noexcept
    {
        if (this != &other) {
            Reset();
            type_ = other.type_;
            handle_ = other.handle_;
            other.handle_ = SQL_NULL_HANDLE;
        }
        return *this;
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle() { Reset(); }

    SQLHANDLE get() const { return handle_; }
    SQLSMALLINT type() const { return type_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
    void Reset()
    {
        if (handle_ != SQL_NULL_HANDLE)
            SQLFreeHandle(type_, handle_);
        handle_ = SQL_NULL_HANDLE;
    }

private:
    SQLSMALLINT type_ = 0;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

SQLWCHAR *Wide(std::u16string &text)
{
    return reinterpret_cast<SQLWCHAR *>(text.data());
}

// The driver's own text for the last failure on a handle: its first
// diagnostic record, as the OLE DB layer would report it.
std::string DriverMessage(const Handle &handle, std::string_view fallback)
{
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::u16string message(1024, u'\0');
    const SQLRETURN result = SQLGetDiagRecW(handle.type(), handle.get(), 1, state, &native, Wide(message),
                                            static_cast<SQLSMALLINT>(message.size()), &length);
    if (!SQL_SUCCEEDED(result) || length <= 0)
        return std::string(fallback);
    message.resize(std::min<std::size_t>(static_cast<std::size_t>(length), message.size() - 1));
    return ToUtf8(message);
}

void Check(SQLRETURN result, const Handle &handle, std::string_view what)
{
    if (!SQL_SUCCEEDED(result) && result != SQL_NO_DATA)
        throw Error(DriverMessage(handle, what));
}

}  // namespace

struct OdbcHandles {
    Handle environment;
    Handle connection;
};

Connection::Connection() = default;
Connection::~Connection() = default;

bool Connection::IsOpen() const
{
    return handles_ != nullptr;
}

void Connection::Close()
{
    if (!handles_)
        return;
    SQLDisconnect(handles_->connection.get());
    handles_.reset();
}

void Connection::Open(std::string_view oledbConnectionString, std::chrono::seconds loginTimeout)
{
    Close();
    std::u16string odbc = ToUtf16(OdbcConnectionString(oledbConnectionString));

    auto handles = std::make_unique<OdbcHandles>();
    handles->environment = Handle(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    if (!handles->environment)
        throw Error("The ODBC driver manager cannot be loaded.");
    Check(SQLSetEnvAttr(handles->environment.get(), SQL_ATTR_ODBC_VERSION,
                        reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(SQL_OV_ODBC3)), 0),
          handles->environment, "The ODBC driver manager refused version 3.");
    handles->connection = Handle(SQL_HANDLE_DBC, handles->environment.get());
    if (!handles->connection)
        throw Error("No ODBC connection can be made.");
    Check(SQLSetConnectAttrW(handles->connection.get(), SQL_ATTR_LOGIN_TIMEOUT,
                             reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(loginTimeout.count())), 0),
          handles->connection, "The login time-out cannot be set.");

    SQLSMALLINT outLength = 0;
    const SQLRETURN result =
        SQLDriverConnectW(handles->connection.get(), nullptr, Wide(odbc), SQL_NTS, nullptr, 0, &outLength,
                          SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(result))
        throw Error(DriverMessage(handles->connection, "The connection failed."));
    handles_ = std::move(handles);
}

void Query::SetText(std::string_view text)
{
    lines_.clear();
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            if (at < text.size())
                lines_.emplace_back(text.substr(at));
            break;
        }
        lines_.emplace_back(text.substr(at, end - at));
        at = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
}

std::string Query::CommandText() const
{
    std::string command;
    for (const std::string &line : lines_)
        command += line + "\r\n";
    return command;
}

void Query::Open()
{
    Run(true);
}

void Query::ExecSql()
{
    Run(false);
}

void Query::Run(bool countRows)
{
    recordCount_ = 0;
    if (!connection_.handles_)
        throw Error("Operation is not allowed when the object is closed.");
    Handle statement(SQL_HANDLE_STMT, connection_.handles_->connection.get());
    if (!statement)
        throw Error(DriverMessage(connection_.handles_->connection, "No statement can be made."));
    Check(SQLSetStmtAttrW(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(
                              static_cast<std::uintptr_t>(connection_.statementTimeout_.count())),
                          0),
          statement, "The statement time-out cannot be set.");

    std::u16string command = ToUtf16(CommandText());
    Check(SQLExecDirectW(statement.get(), Wide(command), SQL_NTS), statement, "The statement failed.");

    // Rows of the first result are counted; every later result is read too,
    // so that an error reported after the first one is not lost.
    bool first = true;
    for (;;) {
        SQLSMALLINT columns = 0;
        Check(SQLNumResultCols(statement.get(), &columns), statement, "The result cannot be read.");
        if (columns > 0) {
            SQLRETURN fetched;
            while (SQL_SUCCEEDED(fetched = SQLFetch(statement.get())))
                if (countRows && first)
                    ++recordCount_;
            Check(fetched, statement, "The rows cannot be read.");
            first = false;
        }
        const SQLRETURN more = SQLMoreResults(statement.get());
        if (more == SQL_NO_DATA)
            break;
        Check(more, statement, "The next result cannot be read.");
    }
    SQLFreeStmt(statement.get(), SQL_CLOSE);
}

}  // namespace qz::data
