// Arbitrary bytes as OLE DB connection strings and as the values written
// into them. Reading must never crash (a failed result is the one allowed
// failure), a value written by QuoteOleDbValue must read back unchanged, and
// a value written by BraceOdbcValue must never let a later ODBC attribute
// change and must read back unchanged, read the way Windows reads it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/odbc_string.h"
#include "text/oledb.h"
#include "errors.h"
#include "odbc_grammar.h"
#include "restore.h"

namespace {

[[noreturn]] void Violation(const char *what, std::string_view input)
{
    std::fprintf(stderr, "fuzz_connection_string: %s (input of %zu bytes)\n", what, input.size());
    std::abort();
}

const std::string *Value(const std::vector<qz::text::Property> &properties, std::string_view key)
{
    for (const auto &property : properties)
        if (property.first == key)
            return &property.second;
    return nullptr;
}

// Reading any text: a value or a failure comes out. A converted string must
// read back, FreeTDS's way, as the driver and at most one of each attribute.
void ReadAnything(std::string_view text)
{
    const auto parsed = qz::text::ParseOleDb(text);
    const auto converted = qz::data::OdbcConnectionString(text);
    if (!converted)
        return;
    if (!parsed)
        Violation("a string that does not read converts for ODBC", text);
    const auto pairs = qz::testing::ReadOdbcAsWindows(*converted);
    if (!pairs)
        Violation("an ODBC connection string outside the grammar", text);
    if (pairs->empty() || (*pairs)[0].first != "DRIVER" || (*pairs)[0].second != "SQL Server")
        Violation("the ODBC connection string does not begin with the driver", text);
    const std::vector<qz::text::Property> &properties = *parsed;
    std::vector<std::string> seen;
    for (std::size_t i = 1; i < pairs->size(); ++i) {
        const auto &[key, value] = (*pairs)[i];
        if (key != "SERVER" && key != "UID" && key != "PWD" && key != "DATABASE")
            Violation("an ODBC attribute that the OLE DB string did not name", text);
        for (const std::string &earlier : seen)
            if (earlier == key)
                Violation("an ODBC attribute written twice", text);
        seen.push_back(key);
        bool found = false;
        for (const auto &property : properties)
            found = found || property.second == value;
        if (!found)
            Violation("an ODBC value that is none of the OLE DB values", text);
    }
}

// QuoteOleDbValue(v) as the user name reads back as v, and the password
// after it stays x.
void QuotedValueReadsBack(std::string_view v)
{
    const std::string text = "Provider=SQLOLEDB.1;User ID=" + qz::text::QuoteOleDbValue(v) + ";Password=x";
    const auto parsed = qz::text::ParseOleDb(text);
    if (!parsed)
        Violation("a quoted value makes the OLE DB string unreadable", v);
    const std::vector<qz::text::Property> &properties = *parsed;
    const std::string *user = Value(properties, "User ID");
    const std::string *password = Value(properties, "Password");
    if (user == nullptr || *user != v)
        Violation("a quoted value does not read back unchanged", v);
    if (password == nullptr || *password != "x")
        Violation("a quoted value changed the password after it", v);
    if (properties.size() != 3)
        Violation("a quoted value added or removed a property", v);
}

// BraceOdbcValue(w) as UID leaves PWD=x alone and reads back as w.
void BracedValueKeepsPassword(std::string_view w)
{
    const std::string braced = qz::data::BraceOdbcValue(w);
    const auto pairs = qz::testing::ReadOdbcAsWindows("UID=" + braced + ";PWD=x");
    if (!pairs || pairs->size() != 2)
        Violation("a braced value split the ODBC string differently", w);
    if ((*pairs)[0].first != "UID" || (*pairs)[0].second != w)
        Violation("a braced value does not read back unchanged", w);
    if ((*pairs)[1].first != "PWD" || (*pairs)[1].second != "x")
        Violation("a braced value changed PWD", w);
}

// The launcher's own string: user and password typed, server "(local)".
void LogonReadsBack(std::string_view user, std::string_view password)
{
    const std::string text = qz::ConnectionStringFor(user, password, "(local)");
    const auto parsed = qz::text::ParseOleDb(text);
    if (!parsed)
        Violation("the launcher's connection string is unreadable", user);
    const std::vector<qz::text::Property> &properties = *parsed;
    const std::string *u = Value(properties, "User ID");
    const std::string *p = Value(properties, "Password");
    const std::string *s = Value(properties, "Data Source");
    const std::string *c = Value(properties, "Initial Catalog");
    if (u == nullptr || *u != user || p == nullptr || *p != password)
        Violation("the launcher's logon does not read back unchanged", user);
    if (s == nullptr || *s != "(local)" || c == nullptr || *c != "master")
        Violation("the launcher's logon changed the server or the catalog", user);
    // Through to ODBC: every value can be written there.
    const auto odbc = qz::data::OdbcConnectionString(text);
    if (!odbc)
        Violation("the launcher's logon cannot be written for ODBC", user);
    const auto pairs = qz::testing::ReadOdbcAsWindows(*odbc);
    if (!pairs || pairs->size() != 5)
        Violation("the launcher's ODBC string does not read back as five attributes", user);
    const std::pair<std::string, std::string> expected[] = {
        {"DRIVER", "SQL Server"}, {"SERVER", "(local)"}, {"UID", std::string(user)},
        {"PWD", std::string(password)}, {"DATABASE", "master"}};
    for (std::size_t i = 0; i < 5; ++i)
        if ((*pairs)[i] != expected[i])
            Violation("the launcher's ODBC string does not read back unchanged", user);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    ReadAnything(input);
    QuotedValueReadsBack(input);
    BracedValueKeepsPassword(input);
    // User and password: the input cut at its first zero byte.
    const std::size_t cut = input.find('\0');
    if (cut == std::string_view::npos)
        LogonReadsBack(input, "");
    else
        LogonReadsBack(input.substr(0, cut), input.substr(cut + 1));
    return 0;
}
