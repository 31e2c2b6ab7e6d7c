// The statement parser: the launcher's exact texts and the ways a person
// typing them may vary them, and the token a syntax error names.
#include <gtest/gtest.h>

#include "statement.h"

namespace qz::engine {
namespace {

template <typename T>
T As(const Statement &statement) {
    const T *typed = std::get_if<T>(&statement);
    EXPECT_NE(typed, nullptr) << "parsed as another kind of statement (index " << statement.index() << ")";
    return typed != nullptr ? *typed : T{};
}

std::string Near(std::string_view sql) { return As<SyntaxError>(ParseStatement(sql)).near; }

// ---- the existence query

TEST(ExistenceQuery, LauncherTextWithLineEnd) {
    EXPECT_EQ(As<ExistenceQuery>(ParseStatement("select * from sysdatabases where name='QUENTARO'\r\n")).name,
              "QUENTARO");
}

TEST(ExistenceQuery, KeywordsIgnoreCaseAndBlanksVary) {
    EXPECT_EQ(As<ExistenceQuery>(ParseStatement("SELECT\t*\r\nFROM  SysDatabases\nWHERE NAME = 'x' ;\r\n")).name, "x");
    EXPECT_EQ(As<ExistenceQuery>(ParseStatement("select*from sysdatabases where name='y'")).name, "y");
}

TEST(ExistenceQuery, QualifiedTableNames) {
    for (const char *table : {"master..sysdatabases", "master.dbo.sysdatabases", "dbo.sysdatabases",
                              "[master].[dbo].[sysdatabases]", "MASTER..[SYSDATABASES]"}) {
        SCOPED_TRACE(table);
        EXPECT_EQ(As<ExistenceQuery>(ParseStatement(std::string("select * from ") + table + " where name='Q'")).name,
                  "Q");
    }
}

TEST(ExistenceQuery, DoubledQuotesAndNationalStrings) {
    EXPECT_EQ(As<ExistenceQuery>(ParseStatement("select * from sysdatabases where name='O''Brien'")).name, "O'Brien");
    EXPECT_EQ(As<ExistenceQuery>(ParseStatement("select * from sysdatabases where name=N'数据'")).name, "数据");
    EXPECT_EQ(As<ExistenceQuery>(ParseStatement("select * from sysdatabases where name=''")).name, "");
}

TEST(ExistenceQuery, CommentsCountAsBlanks) {
    EXPECT_EQ(As<ExistenceQuery>(ParseStatement("-- does it exist?\r\nselect * /* all */ from sysdatabases "
                                                "where name='Q' -- trailing")).name,
              "Q");
}

TEST(ExistenceQuery, OtherTablesAndShapesAreSyntaxErrors) {
    EXPECT_EQ(Near("select * from sysobjects where name='Q'"), "sysobjects");
    EXPECT_EQ(Near("select * from tempdb..sysdatabases where name='Q'"), "tempdb");
    EXPECT_EQ(Near("select * from master.sys.sysdatabases where name='Q'"), "sys");
    EXPECT_EQ(Near("select name from sysdatabases where name='Q'"), "name");
    EXPECT_EQ(Near("select * from sysdatabases where dbid=5"), "dbid");
    EXPECT_EQ(Near("select * from sysdatabases where name=QUENTARO"), "QUENTARO");
    EXPECT_EQ(Near("select * from sysdatabases"), "sysdatabases") << "ends early: the last token is named";
    EXPECT_EQ(Near("select * from sysdatabases where name='Q' and 1=1"), "and");
}

// ---- drop

TEST(Drop, LauncherText) {
    EXPECT_EQ(As<DropDatabase>(ParseStatement("drop database QUENTARO\r\n")).name, "QUENTARO");
}

TEST(Drop, NamesPlainBracketedOrQuoted) {
    EXPECT_EQ(As<DropDatabase>(ParseStatement("DROP DATABASE [my db]")).name, "my db");
    EXPECT_EQ(As<DropDatabase>(ParseStatement("Drop Database [a]]b];")).name, "a]b");
    EXPECT_EQ(As<DropDatabase>(ParseStatement("drop database \"Q\"")).name, "Q");
}

TEST(Drop, SyntaxErrors) {
    EXPECT_EQ(Near("drop database"), "database");
    EXPECT_EQ(Near("drop table QUENTARO"), "table");
    EXPECT_EQ(Near("drop database 'QUENTARO'"), "QUENTARO");
    EXPECT_EQ(Near("drop database from"), "from") << "a reserved word is no name";
    EXPECT_EQ(Near("drop database a b"), "b");
    EXPECT_EQ(Near("drop database a;;"), ";");
}

// ---- restore

constexpr char kLauncherRestore[] =
    "Restore DataBase QUENTARO from disk='D:\\Data\\QUENTARO.bak' with replace,  move 'QUENTARO_data' to "
    "'E:\\Db\\QUENTARO_data.MDF', move 'QUENTARO_log' to 'E:\\Db\\QUENTARO_log.LDF'\r\n";

TEST(Restore, LauncherText) {
    RestoreDatabase restore = As<RestoreDatabase>(ParseStatement(kLauncherRestore));
    EXPECT_EQ(restore.name, "QUENTARO");
    EXPECT_EQ(restore.backup_path, "D:\\Data\\QUENTARO.bak");
    EXPECT_TRUE(restore.replace);
    ASSERT_EQ(restore.moves.size(), 2u);
    EXPECT_EQ(restore.moves[0].logical_name, "QUENTARO_data");
    EXPECT_EQ(restore.moves[0].target, "E:\\Db\\QUENTARO_data.MDF");
    EXPECT_EQ(restore.moves[1].logical_name, "QUENTARO_log");
    EXPECT_EQ(restore.moves[1].target, "E:\\Db\\QUENTARO_log.LDF");
}

TEST(Restore, TextSentAsLinesEachEndingInCrLf) {
    RestoreDatabase restore = As<RestoreDatabase>(ParseStatement(
        "Restore DataBase QUENTARO from disk='C:\\QUENTARO.bak'\r\nwith replace,\r\n"
        "  move 'QUENTARO_data' to 'C:\\QUENTARO_data.MDF',\r\n  move 'QUENTARO_log' to 'C:\\QUENTARO_log.LDF'\r\n"));
    EXPECT_EQ(restore.backup_path, "C:\\QUENTARO.bak");
    EXPECT_EQ(restore.moves.size(), 2u);
}

TEST(Restore, MovesInEitherOrderAndReplaceAnywhere) {
    RestoreDatabase restore = As<RestoreDatabase>(
        ParseStatement("RESTORE DATABASE [Q] FROM DISK = N'x.bak' WITH MOVE 'L' TO 'l.ldf', REPLACE, "
                       "MOVE 'D' TO 'd.mdf'"));
    EXPECT_TRUE(restore.replace);
    ASSERT_EQ(restore.moves.size(), 2u);
    EXPECT_EQ(restore.moves[0].logical_name, "L");
    EXPECT_EQ(restore.moves[1].logical_name, "D");
}

TEST(Restore, WithoutOptionsOrReplace) {
    RestoreDatabase plain = As<RestoreDatabase>(ParseStatement("restore database Q from disk='q.bak'"));
    EXPECT_FALSE(plain.replace);
    EXPECT_TRUE(plain.moves.empty());
    RestoreDatabase moved = As<RestoreDatabase>(ParseStatement("restore database Q from disk='q.bak' with move "
                                                               "'it''s' to 'C:\\a''b.mdf'"));
    EXPECT_FALSE(moved.replace);
    EXPECT_EQ(moved.moves[0].logical_name, "it's");
    EXPECT_EQ(moved.moves[0].target, "C:\\a'b.mdf");
}

TEST(Restore, SyntaxErrors) {
    EXPECT_EQ(Near("restore database Q from disk='q.bak' with"), "with");
    EXPECT_EQ(Near("restore database Q from disk='q.bak' with norecovery"), "norecovery");
    EXPECT_EQ(Near("restore database Q from tape='q.bak'"), "tape");
    EXPECT_EQ(Near("restore database Q from disk='q.bak' with move 'a' 'b'"), "b");
    EXPECT_EQ(Near("restore database Q from disk='q.bak' with replace,"), ",");
    EXPECT_EQ(Near("restore log Q from disk='q.bak'"), "log");
}

// ---- everything else

TEST(OtherBatches, SetStatementsAreConnectionSetup) {
    EXPECT_TRUE(std::holds_alternative<ConnectionSetting>(ParseStatement("set textsize 2147483647 ")));
    EXPECT_TRUE(std::holds_alternative<ConnectionSetting>(ParseStatement("SET TRANSACTION ISOLATION LEVEL READ "
                                                                      "COMMITTED")));
}

TEST(OtherBatches, BlankBatchesAreEmpty) {
    EXPECT_TRUE(std::holds_alternative<EmptyBatch>(ParseStatement("")));
    EXPECT_TRUE(std::holds_alternative<EmptyBatch>(ParseStatement(" \r\n\t-- nothing\r\n")));
}

TEST(OtherBatches, UnknownStatementsNameTheirFirstToken) {
    EXPECT_EQ(Near("selec 1"), "selec");
    EXPECT_EQ(Near("select @@version"), "@@version");
    EXPECT_EQ(Near("use master"), "use");
    EXPECT_EQ(Near("'text'"), "text");
    EXPECT_EQ(Near("(1)"), "(");
}

TEST(OtherBatches, UnclosedQuotesAreReported) {
    SyntaxError error = As<SyntaxError>(ParseStatement("select * from sysdatabases where name='QUEN"));
    EXPECT_TRUE(error.unclosed_quote);
    EXPECT_EQ(error.near, "QUEN");
    EXPECT_TRUE(As<SyntaxError>(ParseStatement("drop database [abc")).unclosed_quote);
    EXPECT_FALSE(As<SyntaxError>(ParseStatement("drop table x")).unclosed_quote);
}

}  // namespace
}  // namespace qz::engine
