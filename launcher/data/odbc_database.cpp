#include "odbc_database.h"

namespace qz::data {

void OdbcDatabase::Close()
{
    connection_.Close();
}

Status OdbcDatabase::Open(std::string_view connectionString)
{
    // Open closes what was open before it replaces the connection string.
    return connection_.Open(connectionString, kLoginTimeout);
}

Result<long long> OdbcDatabase::OpenQuery(std::string_view sql)
{
    query_.Close();
    query_.SetText(sql);
    if (Status opened = query_.Open(); !opened)
        return opened.Failure();
    return query_.RecordCount();
}

Status OdbcDatabase::Execute(std::string_view sql)
{
    query_.Close();
    query_.SetText(sql);
    return query_.ExecSql();
}

}  // namespace qz::data
