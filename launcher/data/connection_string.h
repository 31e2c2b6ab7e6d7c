// The launcher builds an OLE DB connection string; the data access reads it
// the way OLE DB does and turns it into an ODBC connection string for the
// driver named "SQL Server", which every Windows ships (and which FreeTDS
// plays on Linux).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qz::data {

using Property = std::pair<std::string, std::string>;

// Reads "key=value;key=value" pairs. Keys lose surrounding blanks and are
// compared without regard to case; a value may be enclosed in single or
// double quotes (the enclosing quote doubled inside it), and is otherwise
// taken exactly as written, blanks included, up to the next ";". Empty
// pairs are skipped; a later key replaces an earlier one.
// Throws qz::Error for a pair without "=" or an unterminated quote.
std::vector<Property> ParseOleDb(std::string_view text);

// A value written so that ParseOleDb reads it back unchanged: as it is when
// it holds no ";" and no quote (blanks included), else in double quotes (or single quotes when it holds
// double quotes but no single ones), the enclosing quote doubled inside.
std::string QuoteOleDbValue(std::string_view value);

// The ODBC connection string for an OLE DB one. The provider must be
// SQLOLEDB (or SQLOLEDB.1); "Data Source", "User ID", "Password" and
// "Initial Catalog" become SERVER, UID, PWD and DATABASE, each value braced
// when it holds a character that ODBC would otherwise read as syntax.
// Throws qz::Error when the provider is missing or another one, or when a
// value cannot be written (see BraceOdbcValue).
std::string OdbcConnectionString(std::string_view oledb);

// An ODBC attribute value, braced when it holds a ";", begins with "{" or
// has blanks at either end. Throws qz::Error for a value holding "};".
std::string BraceOdbcValue(std::string_view value);

}  // namespace qz::data
