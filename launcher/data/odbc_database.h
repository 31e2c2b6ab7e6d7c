// The main window's database objects over ODBC: the connection (ADOConn) and
// the query on it (ADOQPb), behind the form's Database seam.
#pragma once

#include "connection.h"
#include "database.h"

namespace qz::data {

class OdbcDatabase final : public qz::Database {
public:
    OdbcDatabase() : query_(connection_) {}

    void Close() override;
    Status Open(std::string_view connectionString) override;
    Result<long long> OpenQuery(std::string_view sql) override;
    Status Execute(std::string_view sql) override;

private:
    Connection connection_;
    Query query_;
};

}  // namespace qz::data
