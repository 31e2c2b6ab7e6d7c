#include "data/odbc_string.h"
#include "connection.h"
#include "errors.h"
#include "must.h"
#include "odbc_grammar.h"
#include "text/oledb.h"
#include "restore.h"
#include "text/utf16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qz::data {
namespace {

using testing::Must;
using text::ParseOleDb;
using text::Property;
using text::QuoteOleDbValue;
using text::ToUtf16;
using text::ToUtf8;

std::string Value(const std::vector<Property> &properties, const std::string &key)
{
    for (const auto &[k, v] : properties)
        if (k == key)
            return v;
    ADD_FAILURE() << "no key " << key;
    return {};
}

constexpr const char *kDefault =
    "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Initial Catalog=master;Password=;Data Source=(local)";

TEST(OleDbConnectionString, TheLaunchersDefaultReadsAsSixPairs)
{
    const auto properties = Must(ParseOleDb(kDefault));
    ASSERT_EQ(properties.size(), 6u);
    EXPECT_EQ(Value(properties, "Provider"), "SQLOLEDB.1");
    EXPECT_EQ(Value(properties, "Persist Security Info"), "True");
    EXPECT_EQ(Value(properties, "User ID"), "sa");
    EXPECT_EQ(Value(properties, "Initial Catalog"), "master");
    EXPECT_EQ(Value(properties, "Password"), "");
    EXPECT_EQ(Value(properties, "Data Source"), "(local)");
}

TEST(OleDbConnectionString, UnquotedValuesKeepTheirBlanksAndKeysLoseTheirs)
{
    const auto properties = Must(ParseOleDb("  User ID =   ; Password= a b ;Data Source=x"));
    EXPECT_EQ(Value(properties, "User ID"), "   ");
    EXPECT_EQ(Value(properties, "Password"), " a b ");
    EXPECT_EQ(Value(properties, "Data Source"), "x");
}

TEST(OleDbConnectionString, QuotedValuesHoldSemicolonsEqualsAndTheOtherQuote)
{
    const auto properties =
        Must(ParseOleDb("A=\"x;y=z\";B='say \"hi\"';C=\"it''s\";D=\"a\"\"b\";E='a''b' ;F= \"padded\" "));
    EXPECT_EQ(Value(properties, "A"), "x;y=z");
    EXPECT_EQ(Value(properties, "B"), "say \"hi\"");
    EXPECT_EQ(Value(properties, "C"), "it''s");
    EXPECT_EQ(Value(properties, "D"), "a\"b");
    EXPECT_EQ(Value(properties, "E"), "a'b");
    EXPECT_EQ(Value(properties, "F"), "padded");
}

TEST(OleDbConnectionString, EmptyPairsAreSkippedAndTheLastOfAKeyWins)
{
    const auto properties = Must(ParseOleDb(";;User ID=a;; user id=b;"));
    ASSERT_EQ(properties.size(), 1u);
    EXPECT_EQ(properties[0].second, "b");
}

TEST(OleDbConnectionString, MalformedTextIsRefused)
{
    EXPECT_THROW(Must(ParseOleDb("Provider")), Error);
    EXPECT_THROW(Must(ParseOleDb("User ID=\"open")), Error);
    EXPECT_THROW(Must(ParseOleDb("User ID=\"closed\"trailing")), Error);
    EXPECT_THROW(Must(ParseOleDb("a=1;junk;b=2")), Error);
}

TEST(OleDbConnectionString, QuotingRoundTripsEveryAwkwardValue)
{
    const std::vector<std::string> values = {
        "sa", "", " ", "   ", "a;b", "a=b", "it's", "say \"hi\"", "both ' and \"", "{braced}", "}{", ";", "\"",
        "'", "''", "\"\"", " lead", "trail ", "密码;测试", "x;User ID=admin"};
    for (const std::string &value : values) {
        const std::string text = "Provider=SQLOLEDB.1;User ID=" + QuoteOleDbValue(value) + ";Password=p";
        const auto properties = Must(ParseOleDb(text));
        EXPECT_EQ(Value(properties, "User ID"), value) << text;
        EXPECT_EQ(Value(properties, "Password"), "p") << text;
        EXPECT_EQ(properties.size(), 3u) << text;
    }
    // Values that need nothing are written unchanged.
    EXPECT_EQ(QuoteOleDbValue("sa"), "sa");
    EXPECT_EQ(QuoteOleDbValue(""), "");
    EXPECT_EQ(QuoteOleDbValue("a b"), "a b");
    EXPECT_EQ(QuoteOleDbValue("   "), "   ");
    EXPECT_EQ(QuoteOleDbValue("a=b{c}"), "a=b{c}");
    EXPECT_EQ(QuoteOleDbValue("a;b"), "\"a;b\"");
    EXPECT_EQ(QuoteOleDbValue("say \"hi\""), "'say \"hi\"'");
    EXPECT_EQ(QuoteOleDbValue("both ' and \""), "\"both ' and \"\"\"");
}

TEST(OdbcMapping, TheDefaultBecomesTheSqlServerDriversKeywords)
{
    EXPECT_EQ(Must(OdbcConnectionString(kDefault)), "DRIVER={SQL Server};SERVER=(local);UID=sa;PWD=;DATABASE=master");
}

using testing::ReadOdbcAsWindows;

TEST(OdbcMapping, ValuesThatCouldEndOrAddAKeywordAreBracedWithClosingBracesDoubled)
{
    const std::string oledb = "Provider=SQLOLEDB.1;User ID=" + QuoteOleDbValue("a;PWD=x") +
                              ";Password=" + QuoteOleDbValue("p}w{d;") + ";Initial Catalog=master;Data Source=(local)";
    EXPECT_EQ(Must(OdbcConnectionString(oledb)),
              "DRIVER={SQL Server};SERVER=(local);UID={a;PWD=x};PWD={p}}w{d;};DATABASE=master");
    EXPECT_EQ(BraceOdbcValue("   "), "{   }");
    EXPECT_EQ(BraceOdbcValue(" a"), "{ a}");
    EXPECT_EQ(BraceOdbcValue("{a"), "{{a}");
    EXPECT_EQ(BraceOdbcValue("{a}"), "{{a}}}");
    EXPECT_EQ(BraceOdbcValue("x};DATABASE=other"), "{x}};DATABASE=other}");
    EXPECT_EQ(BraceOdbcValue("a=b"), "a=b") << "runs to the next ;";
    EXPECT_EQ(BraceOdbcValue("a}b{c"), "a}b{c") << "bare: a brace inside is plain text";
    EXPECT_EQ(BraceOdbcValue("it's \"ok\""), "it's \"ok\"");
    EXPECT_EQ(BraceOdbcValue(""), "");
}

TEST(OdbcMapping, EveryLogonReadsBackExactlyUnderTheOdbcGrammarAndAddsNoKeyword)
{
    const std::vector<std::string> awkward = {
        "", " ", "sa", "x}SERVER=elsewhere;", "p};UID=admin", "}", "}}", "{", "{}", "{a}", ";", ";;", "a;b",
        "=", "a=b;c=d", " lead", "trail ", "}{;}{", "p;w=}{d \"'x 密码😀 ", "用户}", "x};DATABASE=other",
        "{SQL Server}", "}x", "x{", "a}b{c;"};
    for (const std::string &user : awkward) {
        for (const std::string &password : awkward) {
            const std::string oledb = ConnectionStringFor(user, password, "(local)");
            const std::string odbc = Must(OdbcConnectionString(oledb));
            const auto pairs = ReadOdbcAsWindows(odbc);
            ASSERT_TRUE(pairs.has_value()) << "not in the grammar: " << odbc;
            const std::vector<std::pair<std::string, std::string>> expected = {
                {"DRIVER", "SQL Server"}, {"SERVER", "(local)"}, {"UID", user}, {"PWD", password},
                {"DATABASE", "master"}};
            EXPECT_EQ(*pairs, expected) << odbc;
        }
    }
}

TEST(OdbcMapping, OnlyTheSqlServerProviderIsAccepted)
{
    EXPECT_NO_THROW(Must(OdbcConnectionString("Provider=SQLOLEDB;Data Source=x")));
    EXPECT_NO_THROW(Must(OdbcConnectionString("provider = sqloledb.1 ;Data Source=x")));
    EXPECT_THROW(Must(OdbcConnectionString("Provider=MSDASQL;Data Source=x")), Error);
    EXPECT_THROW(Must(OdbcConnectionString("Provider=SQLOLEDB.2;Data Source=x")), Error);
    EXPECT_THROW(Must(OdbcConnectionString("Data Source=x;User ID=sa")), Error);
    try {
        Must(OdbcConnectionString("Provider=Microsoft.Jet.OLEDB.4.0"));
        FAIL() << "no error";
    } catch (const Error &error) {
        EXPECT_STREQ(error.what(), "Provider cannot be found. It may not be properly installed.");
    }
}

TEST(Utf16, RoundTripsChineseAndCharactersOutsideTheBasicPlane)
{
    for (const std::string text : {"", "sa", "数据库正在使用中", "E:\\数据\\Db", "\xF0\x9F\x98\x80 emoji", "\xE4\xB8\x80"}) {
        EXPECT_EQ(ToUtf8(ToUtf16(text)), text);
    }
    EXPECT_EQ(ToUtf16("密").size(), 1u);
    EXPECT_EQ(ToUtf16("\xF0\x9F\x98\x80").size(), 2u);  // a surrogate pair
}

TEST(Utf16, MalformedInputBecomesReplacementCharacters)
{
    EXPECT_EQ(ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(ToUtf16("\xE4\xB8"), u"\uFFFD\uFFFD");   // cut short
    EXPECT_EQ(ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");   // overlong "/"
    EXPECT_EQ(ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a surrogate
    EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(QueryText, EveryLineIsFollowedByCarriageReturnAndLineFeed)
{
    EXPECT_EQ(CommandText("select * from sysdatabases where name='QUENTARO'"),
              "select * from sysdatabases where name='QUENTARO'\r\n");
    EXPECT_EQ(CommandText("line one\r\nline two\nline three"), "line one\r\nline two\r\nline three\r\n");
    EXPECT_EQ(CommandText("one\r\rtwo\n"), "one\r\n\r\ntwo\r\n") << "a lone CR ends a line, an empty one too";
    EXPECT_EQ(CommandText(""), "");
}

TEST(QueryText, RunningOnAClosedConnectionFailsWithAnError)
{
    Connection connection;
    EXPECT_FALSE(connection.IsOpen());
    connection.Close();  // nothing to do
    Query query(connection);
    query.SetText("drop database QUENTARO");
    EXPECT_THROW(Must(query.ExecSql()), Error);
    EXPECT_THROW(Must(query.Open()), Error);
    EXPECT_EQ(kLoginTimeout.count(), 15);
    EXPECT_EQ(kStatementTimeout.count(), 30);
    EXPECT_EQ(connection.StatementTimeout().count(), 30);
}

}  // namespace
}  // namespace qz::data
