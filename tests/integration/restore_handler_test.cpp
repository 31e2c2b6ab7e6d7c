// The settings panel's OK with the real data access against the stand-in
// engine: the form's handler, the ODBC layer and the wire protocol together.
#include "engine_process.h"
#include "fake_namespace.h"
#include "form.h"
#include "odbc_database.h"
#include "texts.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qz {
namespace {

namespace fs = std::filesystem;

class LiveServices : public Services {
public:
    int ShowMessageBox(std::string_view text, std::string_view, unsigned) override
    {
        boxes.emplace_back(text);
        if (answers.empty())
            return 1;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::string ProgramFolder() override { return "C:\\Media\\"; }
    void CloseMainWindow() override {}
    Database &Data() override { return database; }
    void SetBusy(bool) override {}
    // The backup on the medium is the engine's to read here.
    bool CanRead(std::string_view) override { return true; }
    ShellNamespace &Namespace() override { return shell; }
    std::unique_ptr<Registry> OpenRegistry() override { return nullptr; }
    void ShellOpen(std::string_view) override {}
    Status RunHidden(std::string_view) override { return {}; }

    data::OdbcDatabase database;
    testing::FakeNamespace shell;
    std::vector<std::string> boxes;
    std::deque<int> answers;
};

class RestoreHandler : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(root.Path() / "c/Media/Data");
        fs::create_directories(root.Path() / "c/Db");
        ASSERT_TRUE(testing::MakeBackup({(root.Path() / "c/Media/Data/QUENTARO.bak").string(), "--database",
                                         "QUENTARO", "--data", "QUENTARO_data", "--log", "QUENTARO_log"}));
        engine.emplace(root.Path() / "state", std::vector<std::string>{"--drive", "C=" + (root.Path() / "c").string()});
        engine->Select();
        form.FormShow(form.Self());
        form.SpeedBsjwjClick(form.SpeedBsjwj);
        form.EditPath.TextEditedByUser("C:\\Db");
    }

    void PressOk()
    {
        services.boxes.clear();
        form.Click(form.SpeedBQD);
    }

    testing::TemporaryFolder root;
    std::optional<testing::EngineProcess> engine;
    LiveServices services;
    TForm_qz form{services};
};

TEST_F(RestoreHandler, RestoresThenReplacesAfterYesThenRefusesWhileInUse)
{
    PressOk();
    EXPECT_EQ(services.boxes, std::vector<std::string>{kInstalled});
    EXPECT_TRUE(fs::is_regular_file(root.Path() / "c/Db/QUENTARO_data.MDF"));
    EXPECT_TRUE(fs::is_regular_file(root.Path() / "c/Db/QUENTARO_log.LDF"));
    EXPECT_FALSE(form.Panel3.Visible());

    form.SpeedBsjwjClick(form.SpeedBsjwj);
    services.answers = {kAnswerYes};
    PressOk();
    EXPECT_EQ(services.boxes, (std::vector<std::string>{kDatabaseExists, kInstalled}));

    data::Connection user;
    ASSERT_TRUE(user.Open("Provider=SQLOLEDB.1;User ID=sa;Password=;Initial Catalog=QUENTARO;Data Source=(local)"));
    form.SpeedBsjwjClick(form.SpeedBsjwj);
    services.answers = {kAnswerYes};
    PressOk();
    EXPECT_EQ(services.boxes, (std::vector<std::string>{kDatabaseExists, kDatabaseInUse}));
    EXPECT_TRUE(form.Panel3.Visible());
}

TEST_F(RestoreHandler, AWrongPasswordShowsTheConnectionBoxAndTheNextOkWorks)
{
    form.EditPassW.TextEditedByUser("wrong");
    engine.reset();
    engine.emplace(root.Path() / "state",
                   std::vector<std::string>{"--drive", "C=" + (root.Path() / "c").string(), "--password", "right"});
    engine->Select();
    PressOk();
    EXPECT_EQ(services.boxes, std::vector<std::string>{kConnectFailed});
    form.EditPassW.TextEditedByUser("right");
    PressOk();
    EXPECT_EQ(services.boxes, std::vector<std::string>{kInstalled});
}

TEST_F(RestoreHandler, AMissingBackupLeavesNoDatabase)
{
    fs::remove(root.Path() / "c/Media/Data/QUENTARO.bak");
    PressOk();
    EXPECT_EQ(services.boxes, std::vector<std::string>{kDatabaseInUse});
    const Result<long long> found = services.database.OpenQuery("select * from sysdatabases where name='QUENTARO'");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, 0);
}

}  // namespace
}  // namespace qz
