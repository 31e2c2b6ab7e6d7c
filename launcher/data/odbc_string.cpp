#include "odbc_string.h"

#include "../errors.h"
#include "../text/oledb.h"

#include <array>

namespace qz::data {

using text::FindProperty;
using text::IsBlank;
using text::SameKey;
using text::TrimBlanks;

std::string BraceOdbcValue(std::string_view value)
{
    // Unbraced, a value runs to the next ";", so "=" and braces inside it are
    // plain text; only a ";", a leading "{" or blanks at either end need the
    // braces. Inside them, as Windows' driver manager and drivers read the
    // ODBC grammar, the value ends at a single "}", and a "}" of its own is
    // written twice: no value can end early or add a keyword.
    const bool needsBraces = value.find(';') != std::string_view::npos || value.starts_with('{') ||
                             (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
    if (!needsBraces)
        return std::string(value);
    std::string braced(1, '{');
    for (const char c : value) {
        braced += c;
        if (c == '}')
            braced += '}';
    }
    braced += '}';
    return braced;
}

Result<std::string> OdbcConnectionString(std::string_view oledb)
{
    const Result<std::vector<text::Property>> parsed = text::ParseOleDb(oledb);
    if (!parsed)
        return parsed.Failure();
    const std::vector<text::Property> &properties = *parsed;
    const std::string *provider = FindProperty(properties, {"Provider"});
    const std::string_view name = provider != nullptr ? TrimBlanks(*provider) : std::string_view{};
    if (!SameKey(name, "SQLOLEDB") && !SameKey(name, "SQLOLEDB.1"))
        return Error("Provider cannot be found. It may not be properly installed.");

    std::string odbc = "DRIVER={SQL Server}";
    struct Mapping {
        const char *odbcKey;
        std::initializer_list<std::string_view> oledbKeys;
    };
    const std::array<Mapping, 4> mappings = {{
        {"SERVER", {"Data Source", "Server", "Address", "Addr", "Network Address"}},
        {"UID", {"User ID", "UID", "User"}},
        {"PWD", {"Password", "PWD"}},
        {"DATABASE", {"Initial Catalog", "Database"}},
    }};
    for (const Mapping &mapping : mappings) {
        if (const std::string *value = FindProperty(properties, mapping.oledbKeys)) {
            odbc += ';';
            odbc += mapping.odbcKey;
            odbc += '=';
            odbc += BraceOdbcValue(*value);
        }
    }
    return odbc;
}

}  // namespace qz::data
