#include "fake_services.h"
#include "form.h"
#include "restore.h"
#include "texts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace qz {
namespace {

using testing::FakeServices;

constexpr const char *kDefaultConnection =
    "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Initial Catalog=master;Password=;Data Source=(local)";
constexpr const char *kDefaultRestore =
    "Restore DataBase QUENTARO from disk='D:\\Data\\QUENTARO.bak' with replace,  move 'QUENTARO_data' to "
    "'C:\\QUENTARO_data.MDF', move 'QUENTARO_log' to 'C:\\QUENTARO_log.LDF'";

// The form as the operator meets it: shown, presets in place, panel open.
class Restore : public ::testing::Test {
protected:
    Restore() : form(services)
    {
        form.FormShow(form.Self());
        form.SpeedBsjwjClick(form.SpeedBsjwj);
        services.database.log.clear();
    }

    void PressOk() { form.Click(form.SpeedBQD); }

    std::vector<std::string> &Log() { return services.database.log; }

    void ExpectOnlyBox(const char *text, unsigned flags, const char *title = kNoticeTitle)
    {
        ASSERT_EQ(services.boxes.size(), 1u);
        EXPECT_EQ(services.boxes[0].text, text);
        EXPECT_EQ(services.boxes[0].title, title);
        EXPECT_EQ(services.boxes[0].flags, flags);
    }

    FakeServices services;
    TForm_qz form;
};

TEST_F(Restore, ShowingThePanelHidesTheStatusLabelAndBackHidesOnlyThePanel)
{
    form.Label2.SetVisible(true);
    form.SpeedBsjwjClick(form.SpeedBsjwj);
    EXPECT_TRUE(form.Panel3.Visible());
    EXPECT_FALSE(form.Label2.Visible());

    form.Panel1.SetVisible(true);
    form.Editusername.TextEditedByUser("operator");
    form.Click(form.SpeedBljfh);
    EXPECT_FALSE(form.Panel3.Visible());
    EXPECT_TRUE(form.Panel1.Visible()) << "the folder chooser stays open in front";
    EXPECT_EQ(form.Editusername.Text(), "operator");
    EXPECT_TRUE(Log().empty()) << "Back touches no connection";
}

TEST_F(Restore, EachEmptyFieldStopsWithItsNoticeBeforeAnythingElse)
{
    struct Case {
        Control *field;
        const char *text;
    };
    for (const Case &c : {Case{&form.Editserver, kEnterServer}, Case{&form.Editusername, kEnterUser},
                          Case{&form.EditPath, kChoosePath}}) {
        FakeServices fresh;
        TForm_qz panel(fresh);
        panel.FormShow(panel.Self());
        panel.SpeedBsjwjClick(panel.SpeedBsjwj);
        panel.ControlNamed(c.field->Name()).TextEditedByUser("");
        panel.Click(panel.SpeedBQD);
        ASSERT_EQ(fresh.boxes.size(), 1u) << c.text;
        EXPECT_EQ(fresh.boxes[0].text, c.text);
        EXPECT_EQ(fresh.boxes[0].title, "提示！");
        EXPECT_EQ(fresh.boxes[0].flags, 64u);
        EXPECT_EQ(fresh.database.log, std::vector<std::string>{"box " + std::string(c.text)})
            << "no connection, no wait cursor";
        EXPECT_FALSE(panel.Label2.Visible());
        EXPECT_TRUE(panel.Panel3.Visible());
    }
    // The server is tested first, then the user name, then the path.
    form.Editserver.TextEditedByUser("");
    form.Editusername.TextEditedByUser("");
    form.EditPath.TextEditedByUser("");
    PressOk();
    ExpectOnlyBox(kEnterServer, 64);
}

TEST_F(Restore, ThePasswordMayBeEmptyAndBlanksCountAsContent)
{
    form.Editusername.TextEditedByUser("   ");
    PressOk();
    ASSERT_GE(Log().size(), 3u);
    EXPECT_EQ(Log()[2],
              "open Provider=SQLOLEDB.1;Persist Security Info=True;User ID=   ;Initial Catalog=master;Password=;"
              "Data Source=(local)");
}

TEST_F(Restore, AbsentDatabaseIsRestoredIntoTheDefaultFolder)
{
    PressOk();
    const std::vector<std::string> expected = {"busy",
                                               "close",
                                               std::string("open ") + kDefaultConnection,
                                               "query select * from sysdatabases where name='QUENTARO'",
                                               std::string("execute ") + kDefaultRestore,
                                               "box 安装数据库成功！",
                                               "idle"};
    EXPECT_EQ(Log(), expected);
    ExpectOnlyBox(kInstalled, 64);
    EXPECT_FALSE(form.Panel3.Visible());
    EXPECT_EQ(form.Label2.Text(), "数据加载成功！");
    EXPECT_TRUE(services.database.open) << "the connection stays open after the handler";
    EXPECT_TRUE(services.database.exists);
    EXPECT_FALSE(services.busy);
}

TEST_F(Restore, AFailedConnectionShowsTheStopBoxAndLeavesThePanelLoading)
{
    services.database.refuseLogon = true;
    PressOk();
    ExpectOnlyBox(kConnectFailed, 16);
    EXPECT_EQ(services.boxes[0].text, "连接数据库错误，请确认SQLSERVER是否安装或用户名称和密码是否正确");
    EXPECT_TRUE(form.Panel3.Visible());
    EXPECT_TRUE(form.Label2.Visible());
    EXPECT_EQ(form.Label2.Text(), "正在加载数据。。。");
    EXPECT_EQ(Log().back(), "idle");
    EXPECT_EQ(std::count(Log().begin(), Log().end(), "query select * from sysdatabases where name='QUENTARO'"), 0);
}

TEST_F(Restore, ASecondOkClosesAndReconnectsWithTheCurrentFields)
{
    services.database.refuseLogon = true;
    PressOk();
    services.database.refuseLogon = false;
    form.Editusername.TextEditedByUser("admin");
    form.EditPassW.TextEditedByUser("secret");
    Log().clear();
    PressOk();
    ASSERT_GE(Log().size(), 3u);
    EXPECT_EQ(Log()[1], "close");
    EXPECT_EQ(Log()[2],
              "open Provider=SQLOLEDB.1;Persist Security Info=True;User ID=admin;Initial Catalog=master;"
              "Password=secret;Data Source=(local)");
}

TEST_F(Restore, ExistingDatabaseAndNoLeaveEverythingAsItWas)
{
    services.database.exists = true;
    services.answers = {kAnswerNo};
    PressOk();
    ExpectOnlyBox(kDatabaseExists, 36, kQuestionTitle);
    EXPECT_EQ(services.boxes[0].text, "数据库已经存在，继续安装将清空现有的数据,继续吗？");
    EXPECT_EQ(services.boxes[0].title, "问题？");
    for (const std::string &entry : Log())
        EXPECT_FALSE(entry.starts_with("execute")) << entry;
    EXPECT_TRUE(services.database.exists);
    EXPECT_TRUE(form.Panel3.Visible());
    EXPECT_EQ(form.Label2.Text(), "正在加载数据。。。");
}

TEST_F(Restore, ExistingDatabaseAndYesDropsThenRestores)
{
    services.database.exists = true;
    services.answers = {kAnswerYes};
    PressOk();
    const std::vector<std::string> tail = {"box 数据库已经存在，继续安装将清空现有的数据,继续吗？",
                                           "can-read D:\\Data\\QUENTARO.bak", "execute drop database QUENTARO", std::string("execute ") + kDefaultRestore,
                                           "box 安装数据库成功！", "idle"};
    ASSERT_GE(Log().size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(Log().end() - static_cast<long>(tail.size()), Log().end()), tail);
    EXPECT_FALSE(form.Panel3.Visible());
}

TEST_F(Restore, WithoutAReadableBackupTheExistingDatabaseIsNotDropped)
{
    services.database.exists = true;
    services.readable = false;
    services.programFolder = "E:\\光盘\\";
    services.answers = {kAnswerYes};
    PressOk();
    ASSERT_EQ(services.boxes.size(), 2u);
    EXPECT_EQ(services.boxes[1].text, kDatabaseInUse);
    EXPECT_EQ(services.boxes[1].title, kNoticeTitle);
    EXPECT_EQ(services.boxes[1].flags, 64u);
    EXPECT_TRUE(services.database.exists) << "the database the operator agreed to replace is kept";
    for (const std::string &entry : Log())
        EXPECT_FALSE(entry.starts_with("execute")) << "nothing ran after the check: " << entry;
    EXPECT_NE(std::find(Log().begin(), Log().end(), "can-read E:\\光盘\\Data\\QUENTARO.bak"), Log().end())
        << "the backup beside the program is the one checked";
    EXPECT_TRUE(form.Panel3.Visible());
    EXPECT_EQ(form.Label2.Text(), kLoading);
    EXPECT_FALSE(services.busy);
}

TEST_F(Restore, AnAbsentDatabaseIsRestoredWithoutTheCheckTheEngineReadsTheBackup)
{
    services.readable = false;
    PressOk();
    for (const std::string &entry : Log())
        EXPECT_FALSE(entry.starts_with("can-read")) << "nothing to lose, nothing checked";
    EXPECT_NE(std::find(Log().begin(), Log().end(), std::string("execute ") + kDefaultRestore), Log().end());
}

TEST_F(Restore, AnyAnswerButNoDrops)
{
    services.database.exists = true;
    services.answers = {2 /* IDCANCEL */};
    PressOk();
    EXPECT_NE(std::find(Log().begin(), Log().end(), "execute drop database QUENTARO"), Log().end());
}

TEST_F(Restore, AFailedDropShowsTheInUseNoticeAndKeepsTheDatabase)
{
    services.database.exists = true;
    services.database.dropFails = true;
    services.answers = {kAnswerYes};
    PressOk();
    ASSERT_EQ(services.boxes.size(), 2u);
    EXPECT_EQ(services.boxes[1].text, "数据库正在使用中，请退出后再安装！");
    EXPECT_EQ(services.boxes[1].title, "提示！");
    EXPECT_EQ(services.boxes[1].flags, 64u);
    EXPECT_TRUE(services.database.exists);
    for (const std::string &entry : Log())
        EXPECT_FALSE(entry.starts_with("execute Restore")) << "no restore after a failed drop";
    EXPECT_TRUE(form.Panel3.Visible());
}

TEST_F(Restore, DropThenFailedRestoreLeavesNoDatabaseAndShowsTheInUseNotice)
{
    services.database.exists = true;
    services.database.restoreFails = true;
    services.answers = {kAnswerYes};
    PressOk();
    ASSERT_EQ(services.boxes.size(), 2u);
    EXPECT_EQ(services.boxes[1].text, kDatabaseInUse);
    EXPECT_EQ(services.boxes[1].flags, 64u);
    EXPECT_FALSE(services.database.exists);
    EXPECT_TRUE(form.Panel3.Visible());
    EXPECT_EQ(form.Label2.Text(), kLoading);
}

TEST_F(Restore, AFailedExistenceQueryEscapesToTheApplicationErrorBox)
{
    services.database.queryFailure = "Invalid object name 'sysdatabases'.";
    PressOk();
    ASSERT_EQ(services.boxes.size(), 1u) << "the application error box, and no box of the handler's own";
    EXPECT_EQ(services.boxes[0].text, "Invalid object name 'sysdatabases'.");
    EXPECT_EQ(services.boxes[0].title, kApplicationTitle);
    EXPECT_EQ(services.boxes[0].flags, kBoxError);
    const auto &log = services.database.log;
    const auto idle = std::find(log.begin(), log.end(), "idle");
    const auto box = std::find(log.begin(), log.end(), "box Invalid object name 'sysdatabases'.");
    EXPECT_TRUE(idle != log.end() && idle < box) << "the wait cursor ends before the box shows";
    EXPECT_FALSE(services.busy);
    EXPECT_TRUE(form.Panel3.Visible());
    EXPECT_EQ(form.Label2.Text(), kLoading);
}

TEST_F(Restore, AfterASuccessTheNextOkAsksBeforeReplacing)
{
    PressOk();
    form.SpeedBsjwjClick(form.SpeedBsjwj);
    services.boxes.clear();
    services.answers = {kAnswerNo};
    PressOk();
    ExpectOnlyBox(kDatabaseExists, 36, kQuestionTitle);
}

TEST_F(Restore, TheTargetFolderIsTheTextOfThePathField)
{
    services.programFolder = "D:\\";
    form.EditPath.TextEditedByUser("E:\\Db");
    PressOk();
    EXPECT_NE(std::find(Log().begin(), Log().end(),
                        "execute Restore DataBase QUENTARO from disk='D:\\Data\\QUENTARO.bak' with replace,  move "
                        "'QUENTARO_data' to 'E:\\Db\\QUENTARO_data.MDF', move 'QUENTARO_log' to "
                        "'E:\\Db\\QUENTARO_log.LDF'"),
              Log().end());
    EXPECT_GE(services.programFolderCalls, 1);
}

// --- The texts sent -----------------------------------------------------

TEST(RestoreTexts, TheConnectionStringIsTheSixPiecesJoined)
{
    EXPECT_EQ(ConnectionStringFor("sa", "", "(local)"), kDefaultConnection);
    EXPECT_EQ(ConnectionStringFor("user name", "p=w{r}d", "srv\\inst"),
              "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=user name;Initial Catalog=master;"
              "Password=p=w{r}d;Data Source=srv\\inst");
}

TEST(RestoreTexts, LogonsThatWouldEndTheirValueEarlyAreQuoted)
{
    EXPECT_EQ(ConnectionStringFor("sa;Initial Catalog=QUENTARO", "", "(local)"),
              "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=\"sa;Initial Catalog=QUENTARO\";"
              "Initial Catalog=master;Password=;Data Source=(local)");
    EXPECT_EQ(ConnectionStringFor("sa", "", "x;Password=y"),
              "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Initial Catalog=master;Password=;"
              "Data Source=\"x;Password=y\"");
    EXPECT_EQ(ConnectionStringFor("sa", "it's \"x\"", "(local)"),
              "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Initial Catalog=master;"
              "Password=\"it's \"\"x\"\"\";Data Source=(local)");
}

TEST(RestoreTexts, TheStatementForTheExamples)
{
    EXPECT_EQ(RestoreStatement("D:\\", "C:\\"), kDefaultRestore);
    EXPECT_EQ(RestoreStatement("D:\\", "E:\\Db"),
              "Restore DataBase QUENTARO from disk='D:\\Data\\QUENTARO.bak' with replace,  move 'QUENTARO_data' to "
              "'E:\\Db\\QUENTARO_data.MDF', move 'QUENTARO_log' to 'E:\\Db\\QUENTARO_log.LDF'");
    EXPECT_EQ(RestoreStatement("C:\\Setup\\", "E:\\Db\\"),
              "Restore DataBase QUENTARO from disk='C:\\Setup\\Data\\QUENTARO.bak' with replace,  move "
              "'QUENTARO_data' to 'E:\\Db\\QUENTARO_data.MDF', move 'QUENTARO_log' to 'E:\\Db\\QUENTARO_log.LDF'");
}

TEST(RestoreTexts, QuotesInFoldersAreDoubledSoNoFolderCanEndALiteral)
{
    EXPECT_EQ(RestoreStatement("D:\\O'Neil\\", "E:\\x'; drop database master --"),
              "Restore DataBase QUENTARO from disk='D:\\O''Neil\\Data\\QUENTARO.bak' with replace,  move "
              "'QUENTARO_data' to 'E:\\x''; drop database master --\\QUENTARO_data.MDF', move 'QUENTARO_log' to "
              "'E:\\x''; drop database master --\\QUENTARO_log.LDF'");
    // Outside the literals the statement holds exactly the six quotes of its
    // own three literals' pairs, however many the folders bring.
    const std::string sql = RestoreStatement("D:\\'\\", "E:\\''''");
    std::size_t quotes = 0;
    bool inside = false;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        if (sql[i] != '\'')
            continue;
        if (inside && i + 1 < sql.size() && sql[i + 1] == '\'') {
            ++i;
            continue;
        }
        inside = !inside;
        ++quotes;
    }
    EXPECT_EQ(quotes, 10u) << "five literals: backup, two logical names, two targets";
    EXPECT_FALSE(inside);
}

TEST(RestoreTexts, FoldersOutsideCodePage936PassUnchanged)
{
    EXPECT_NE(RestoreStatement("D:\\", "E:\\데이터").find("'E:\\데이터\\QUENTARO_data.MDF'"), std::string::npos);
}

}  // namespace
}  // namespace qz
