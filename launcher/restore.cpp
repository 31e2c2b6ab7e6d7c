#include "restore.h"

#include "text/oledb.h"

namespace qz {

namespace {

// The inside of a SQL string literal.
std::string Literal(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        escaped += c;
        if (c == '\'')
            escaped += '\'';
    }
    return escaped;
}

}  // namespace

std::string ConnectionStringFor(std::string_view user, std::string_view password, std::string_view server)
{
    std::string text = "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=";
    text += text::QuoteOleDbValue(user);
    text += ";Initial Catalog=master;Password=";
    text += text::QuoteOleDbValue(password);
    text += ";Data Source=";
    text += text::QuoteOleDbValue(server);
    return text;
}

std::string RestoreStatement(std::string_view programFolder, std::string_view targetFolder)
{
    std::string target(targetFolder);
    if (target.empty() || target.back() != '\\')
        target += '\\';
    const std::string folder = Literal(target);

    std::string sql = "Restore DataBase QUENTARO from disk='";
    sql += Literal(programFolder);
    sql += Literal(kBackupFile);
    sql += "'";
    sql += " with replace, ";
    sql += " move ";
    sql += "'QUENTARO_data'";
    sql += " to ";
    sql += "'" + folder + "QUENTARO_data.MDF'";
    sql += ", move ";
    sql += "'QUENTARO_log'";
    sql += " to ";
    sql += "'" + folder + "QUENTARO_log.LDF'";
    return sql;
}

}  // namespace qz
