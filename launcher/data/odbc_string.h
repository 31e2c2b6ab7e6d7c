// The ODBC connection string for the launcher's OLE DB one, for the driver
// named "SQL Server", which every Windows ships (and which FreeTDS plays on
// Linux).
#pragma once

#include "../errors.h"

#include <string>
#include <string_view>

namespace qz::data {

// The ODBC connection string for an OLE DB one. The provider must be
// SQLOLEDB (or SQLOLEDB.1); "Data Source", "User ID", "Password" and
// "Initial Catalog" become SERVER, UID, PWD and DATABASE, each value braced
// when it holds a character that ODBC would otherwise read as syntax.
// Fails when the string is not well formed, or when the provider is
// missing or another one.
Result<std::string> OdbcConnectionString(std::string_view oledb);

// An ODBC attribute value, braced when it holds a ";", begins with "{" or
// has blanks at either end; inside the braces each "}" is doubled.
std::string BraceOdbcValue(std::string_view value);

}  // namespace qz::data
