#include "odbc_database.h"

namespace qz::data {

void OdbcDatabase::Close()
{
    connection_.Close();
}

void OdbcDatabase::Open(std::string_view connectionString)
{
    // Open closes what was open before it replaces the connection string.
    connection_.Open(connectionString, kLoginTimeout);
}

long long OdbcDatabase::OpenQuery(std::string_view sql)
{
    query_.Close();
    query_.SetText(sql);
    query_.Open();
    return query_.RecordCount();
}

void OdbcDatabase::Execute(std::string_view sql)
{
    query_.Close();
    query_.SetText(sql);
    query_.ExecSql();
}

}  // namespace qz::data
