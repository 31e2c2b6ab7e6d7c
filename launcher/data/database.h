// The form's view of its database: the connection (the role of ADOConn) and
// the query on it (the role of ADOQPb), as the restore uses them. Over ODBC in
// odbc_database.h, a fake in the tests.
#pragma once

#include "../errors.h"

#include <string_view>

namespace qz {

// Every failure comes back as an error carrying the driver's text.
class Database {
public:
    virtual ~Database() = default;
    // Closes the connection; does nothing when it is closed.
    virtual void Close() = 0;
    // Opens the connection from an OLE DB connection string (15 s time-out).
    virtual Status Open(std::string_view connectionString) = 0;
    // Replaces the query's text and opens it; the record count of its result.
    virtual Result<long long> OpenQuery(std::string_view sql) = 0;
    // Replaces the query's text and runs it as a statement without rows
    // (30 s time-out).
    virtual Status Execute(std::string_view sql) = 0;
};

}  // namespace qz
