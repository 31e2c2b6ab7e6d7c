// Logins, the existence query, DROP DATABASE and RESTORE DATABASE against a
// temporary state folder and temporary drives; every failure must leave the
// files and the catalog as they were.
#include <gtest/gtest.h>

#include "backup_format.h"
#include "engine.h"
#include "test_support.h"

namespace qz::engine {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono;

constexpr char kRestore[] =
    "Restore DataBase QUENTARO from disk='D:\\Data\\QUENTARO.bak' with replace,  move 'QUENTARO_data' to "
    "'E:\\Db\\QUENTARO_data.MDF', move 'QUENTARO_log' to 'E:\\Db\\QUENTARO_log.LDF'\r\n";

std::vector<int> Numbers(const StatementResult &result) {
    std::vector<int> numbers;
    for (const ServerMessage &message : result.messages)
        numbers.push_back(message.number);
    return numbers;
}

std::string Restore(std::string_view name, std::string_view backup, std::string_view moves) {
    return "restore database " + std::string(name) + " from disk='" + std::string(backup) + "' with replace" +
           std::string(moves);
}

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        fs::create_directories(root_ / "d" / "Data");
        fs::create_directories(root_ / "e" / "Db");
        testing::WriteFile(BackupFile(), EncodeBackup(SampleBackup("QUENTARO", "QUENTARO_data", "QUENTARO_log")));
        engine_ = MakeEngine();
    }

    std::unique_ptr<Engine> MakeEngine() {
        EngineConfig config;
        config.state_folder = root_ / "state";
        config.drives.Add('D', root_ / "d");
        config.drives.Add('E', root_ / "e");
        config.clock = [] { return TimePoint(sys_days(year(2024) / May / 1) + hours(9)); };
        return std::make_unique<Engine>(std::move(config));
    }

    fs::path BackupFile() const { return root_ / "d" / "Data" / "QUENTARO.bak"; }
    fs::path Target(std::string_view name) const { return root_ / "e" / "Db" / name; }

    ClientId LogIn(std::string_view database = "master") {
        LoginOutcome outcome = engine_->Login("sa", "", database);
        EXPECT_TRUE(outcome.client) << "login to " << database << " refused";
        return outcome.client.value_or(0);
    }

    StatementResult Run(ClientId client, std::string_view sql) { return engine_->Execute(client, ParseStatement(sql)); }

    std::size_t Rows(ClientId client, std::string_view name) {
        StatementResult result = Run(client, "select * from sysdatabases where name='" + std::string(name) + "'");
        EXPECT_TRUE(result.result_set);
        EXPECT_EQ(result.row_count, result.result_set ? result.result_set->rows.size() : 0);
        return result.result_set ? result.result_set->rows.size() : 0;
    }

    void RestoreQuentaro(ClientId client) {
        StatementResult result = Run(client, kRestore);
        ASSERT_FALSE(result.failed) << (result.messages.empty() ? "" : result.messages[0].text);
    }

    // Restore failures: the statement ends with 3013 and the error bit, no
    // file is left in the target folder and the catalog is unchanged.
    void ExpectRestoreRefused(ClientId client, std::string_view sql, std::vector<int> numbers) {
        std::vector<std::string> files_before = testing::FilesBelow(root_ / "e");
        std::string catalog_before = engine_->Snapshot().Serialize();
        StatementResult result = Run(client, sql);
        EXPECT_TRUE(result.failed);
        numbers.push_back(3013);
        EXPECT_EQ(Numbers(result), numbers);
        EXPECT_FALSE(result.row_count);
        EXPECT_EQ(testing::FilesBelow(root_ / "e"), files_before) << "a failed restore wrote or removed files";
        EXPECT_EQ(engine_->Snapshot().Serialize(), catalog_before) << "a failed restore changed the catalog";
        last_ = result;
    }

    testing::TempFolder root_;
    std::unique_ptr<Engine> engine_;
    StatementResult last_;
};

// ---- logins

TEST_F(EngineTest, LoginWithTheDefaultsOpensMaster) {
    LoginOutcome outcome = engine_->Login("SA", "", "");
    ASSERT_TRUE(outcome.client);
    EXPECT_EQ(outcome.database, "master");
    EXPECT_TRUE(outcome.messages.empty());
}

TEST_F(EngineTest, WrongPasswordOrUserIsLoginFailed) {
    for (auto [user, password] : {std::pair{"sa", "x"}, std::pair{"bob", ""}}) {
        LoginOutcome outcome = engine_->Login(user, password, "master");
        EXPECT_FALSE(outcome.client);
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_EQ(outcome.messages[0],
                  (ServerMessage{18456, 1, 14, "Login failed for user '" + std::string(user) + "'."}));
    }
}

TEST_F(EngineTest, PasswordsAreCaseSensitive) {
    EngineConfig config;
    config.state_folder = root_ / "other";
    config.user = "admin";
    config.password = "Secret";
    Engine engine(std::move(config));
    EXPECT_TRUE(engine.Login("ADMIN", "Secret", "").client);
    EXPECT_FALSE(engine.Login("admin", "secret", "").client);
}

TEST_F(EngineTest, MissingLoginDatabaseIs4060Then18456) {
    LoginOutcome outcome = engine_->Login("sa", "", "QUENTARO");
    EXPECT_FALSE(outcome.client);
    ASSERT_EQ(outcome.messages.size(), 2u);
    EXPECT_EQ(outcome.messages[0],
              (ServerMessage{4060, 1, 11, "Cannot open database requested in login 'QUENTARO'. Login fails."}));
    EXPECT_EQ(outcome.messages[1].number, 18456);
}

TEST_F(EngineTest, LoginDatabaseIsNamedAsCatalogued) {
    RestoreQuentaro(LogIn());
    EXPECT_EQ(engine_->Login("sa", "", "quentaro").database, "QUENTARO");
}

// ---- the existence query

TEST_F(EngineTest, ExistenceQueryFindsCataloguedNamesIgnoringCase) {
    ClientId client = LogIn();
    EXPECT_EQ(Rows(client, "QUENTARO"), 0u);
    EXPECT_EQ(Rows(client, "MSDB"), 1u);
    RestoreQuentaro(client);
    EXPECT_EQ(Rows(client, "quentaro"), 1u);
    StatementResult result = Run(client, "select * from sysdatabases where name='QUENTARO'");
    const Row &row = result.result_set->rows.at(0);
    EXPECT_EQ(std::get<std::string>(row[0]), "QUENTARO");
    EXPECT_EQ(std::get<std::int64_t>(row[1]), 5);
    EXPECT_EQ(std::get<DateTimeValue>(row[6]), (DateTimeValue{45411, 9 * 3600 * 300}));
    EXPECT_EQ(std::get<std::string>(row[10]), "E:\\Db\\QUENTARO_data.MDF");
}

// ---- drop

TEST_F(EngineTest, DropOfAnAbsentDatabaseIs3701) {
    StatementResult result = Run(LogIn(), "drop database QUENTARO");
    EXPECT_TRUE(result.failed);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0],
              (ServerMessage{3701, 1, 11,
                             "Cannot drop the database 'QUENTARO', because it does not exist in the system catalog."}));
}

TEST_F(EngineTest, DropOfASystemDatabaseIsRefused) {
    StatementResult result = Run(LogIn(), "drop database msdb");
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(Numbers(result), std::vector<int>{3708});
    EXPECT_NE(engine_->Snapshot().Find("msdb"), nullptr);
}

TEST_F(EngineTest, DropWhileAnotherConnectionUsesItIs3702) {
    ClientId admin = LogIn();
    RestoreQuentaro(admin);
    ClientId user = LogIn("QUENTARO");
    StatementResult result = Run(admin, "drop database QUENTARO");
    EXPECT_TRUE(result.failed);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0],
              (ServerMessage{3702, 1, 16, "Cannot drop the database 'QUENTARO' because it is currently in use."}));
    EXPECT_TRUE(fs::exists(Target("QUENTARO_data.MDF")));
    EXPECT_EQ(Rows(admin, "QUENTARO"), 1u);

    EXPECT_EQ(Numbers(Run(user, "drop database QUENTARO")), std::vector<int>{3702}) << "nor its own database";
    engine_->Logout(user);
    EXPECT_FALSE(Run(admin, "drop database QUENTARO").failed) << "free once the other connection left";
}

TEST_F(EngineTest, DropRemovesTheEntryAndBothFilesForGood) {
    ClientId client = LogIn();
    RestoreQuentaro(client);
    StatementResult result = Run(client, "DROP DATABASE [quentaro]");
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(result.row_count, std::optional<std::uint64_t>(0)) << "counted, so the driver reports success";
    EXPECT_TRUE(result.messages.empty());
    EXPECT_EQ(Rows(client, "QUENTARO"), 0u);
    EXPECT_TRUE(testing::FilesBelow(root_ / "e").empty());
    engine_ = MakeEngine();
    EXPECT_EQ(engine_->Snapshot().Find("QUENTARO"), nullptr) << "the catalog file still lists it";
}

// ---- restore: success

TEST_F(EngineTest, RestoreWritesBothFilesAndCataloguesTheDatabase) {
    ClientId client = LogIn();
    StatementResult result = Run(client, kRestore);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(result.row_count, std::optional<std::uint64_t>(0));
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0],
              (ServerMessage{3014, 1, 10,
                             "RESTORE DATABASE successfully processed 2 pages in 0.010 seconds (1.562 MB/sec)."}));

    Backup sample = SampleBackup("QUENTARO", "QUENTARO_data", "QUENTARO_log");
    EXPECT_EQ(testing::ReadFile(Target("QUENTARO_data.MDF")), sample.data.contents);
    EXPECT_EQ(testing::ReadFile(Target("QUENTARO_log.LDF")), sample.log.contents);
    EXPECT_EQ(testing::FilesBelow(root_ / "e"),
              (std::vector<std::string>{"Db/QUENTARO_data.MDF", "Db/QUENTARO_log.LDF"}))
        << "no temporary files stay";

    engine_ = MakeEngine();
    const Catalog catalog = engine_->Snapshot();
    const Database *restored = catalog.Find("QUENTARO");
    ASSERT_NE(restored, nullptr) << "the catalog survives a restart";
    EXPECT_EQ(restored->data.logical_name, "QUENTARO_data");
    EXPECT_EQ(restored->data.path, "E:\\Db\\QUENTARO_data.MDF");
    EXPECT_EQ(restored->log.path, "E:\\Db\\QUENTARO_log.LDF");
}

TEST_F(EngineTest, RestoreReportsPagesOfBothFilesRoundedUp) {
    Backup big = SampleBackup("QUENTARO", "QUENTARO_data", "QUENTARO_log");
    big.data.contents.assign(3 * 8192 + 1, 0);
    big.log.contents.assign(100, 0);
    testing::WriteFile(BackupFile(), EncodeBackup(big));
    StatementResult result = Run(LogIn(), kRestore);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].text,
              "RESTORE DATABASE successfully processed 4 pages in 0.010 seconds (3.125 MB/sec).");
}

TEST_F(EngineTest, RestoreInAnyOrderToAnotherFolderReplacesTheOldFiles) {
    ClientId client = LogIn();
    RestoreQuentaro(client);
    fs::create_directories(root_ / "e" / "New");
    StatementResult result = Run(client, "RESTORE DATABASE QUENTARO FROM DISK='d:\\data\\quentaro.bak' WITH "
                                          "MOVE 'QUENTARO_log' TO 'e:\\new\\l.ldf', REPLACE, "
                                          "MOVE 'quentaro_data' TO 'E:\\\\New\\\\d.mdf'");
    ASSERT_FALSE(result.failed) << result.messages.at(0).text;
    EXPECT_EQ(testing::FilesBelow(root_ / "e"), (std::vector<std::string>{"New/d.mdf", "New/l.ldf"}));
    const Catalog catalog = engine_->Snapshot();
    const Database *restored = catalog.Find("QUENTARO");
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->id, 5) << "a replaced database keeps its id";
    EXPECT_EQ(restored->log.path, "e:\\new\\l.ldf");
}

TEST_F(EngineTest, BackupOfAnotherDatabaseRestoresUnderTheNewName) {
    ClientId client = LogIn();
    testing::WriteFile(root_ / "d" / "other.bak", EncodeBackup(SampleBackup("OTHER", "OTHER_data", "OTHER_log")));
    StatementResult result = Run(client, Restore("QUENTARO", "D:\\other.bak",
                                                  ", move 'OTHER_data' to 'E:\\Db\\q.mdf', move 'OTHER_log' to "
                                                  "'E:\\Db\\q.ldf'"));
    ASSERT_FALSE(result.failed);
    EXPECT_EQ(engine_->Snapshot().Find("QUENTARO")->data.logical_name, "OTHER_data");
}

// ---- restore: refusals

TEST_F(EngineTest, MissingBackupFileIs3201WithError2) {
    ExpectRestoreRefused(LogIn(), Restore("QUENTARO", "D:\\Data\\NONE.bak", ""), {3201});
    EXPECT_EQ(last_.messages[0],
              (ServerMessage{3201, 2, 16,
                             "Cannot open backup device 'D:\\Data\\NONE.bak'. Operating system error 2(The system "
                             "cannot find the file specified.)."}));
    EXPECT_EQ(last_.messages[1], (ServerMessage{3013, 1, 16, "RESTORE DATABASE is terminating abnormally."}));
}

TEST_F(EngineTest, BackupInAMissingFolderOrOnAnUnmappedDriveIsError3) {
    ClientId client = LogIn();
    for (const char *device : {"D:\\Nowhere\\QUENTARO.bak", "Z:\\Data\\QUENTARO.bak", "QUENTARO.bak"}) {
        SCOPED_TRACE(device);
        ExpectRestoreRefused(client, Restore("QUENTARO", device, ""), {3201});
        EXPECT_NE(last_.messages[0].text.find("Operating system error 3(The system cannot find the path "
                                              "specified.)."),
                  std::string::npos)
            << last_.messages[0].text;
    }
}

TEST_F(EngineTest, BackupDeviceThatIsAFolderIsAccessDenied) {
    ExpectRestoreRefused(LogIn(), Restore("QUENTARO", "D:\\Data", ""), {3201});
    EXPECT_NE(last_.messages[0].text.find("error 5(Access is denied.)"), std::string::npos);
}

TEST_F(EngineTest, DamagedOrTruncatedBackupIs3241) {
    ClientId client = LogIn();
    Bytes good = testing::ReadFile(BackupFile());
    Bytes damaged = good;
    damaged[good.size() / 2] ^= 0x01;
    Bytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() - 1));
    for (const Bytes &bad : {damaged, truncated, Bytes{}}) {
        testing::WriteFile(BackupFile(), bad);
        ExpectRestoreRefused(client, kRestore, {3241});
        EXPECT_EQ(last_.messages[0],
                  (ServerMessage{3241, 1, 16,
                                 "The media family on device 'D:\\Data\\QUENTARO.bak' is incorrectly formed. SQL "
                                 "Server cannot process this media family."}));
    }
}

TEST_F(EngineTest, MoveOfAnUnknownLogicalFileIs3234) {
    ExpectRestoreRefused(LogIn(),
                         Restore("QUENTARO", "D:\\Data\\QUENTARO.bak",
                                 ", move 'QUENTARO_dat' to 'E:\\Db\\x.MDF', move 'QUENTARO_log' to 'E:\\Db\\x.LDF'"),
                         {3234});
    EXPECT_EQ(last_.messages[0],
              (ServerMessage{3234, 2, 16,
                             "Logical file 'QUENTARO_dat' is not part of database 'QUENTARO'. Use RESTORE "
                             "FILELISTONLY to list the logical file names."}));
}

TEST_F(EngineTest, MissingTargetFolderIs5133Then3156AndNothingIsWritten) {
    ExpectRestoreRefused(LogIn(),
                         Restore("QUENTARO", "D:\\Data\\QUENTARO.bak",
                                 ", move 'QUENTARO_data' to 'E:\\Db\\QUENTARO_data.MDF', move 'QUENTARO_log' to "
                                 "'E:\\Gone\\QUENTARO_log.LDF'"),
                         {5133, 3156});
    EXPECT_EQ(last_.messages[0],
              (ServerMessage{5133, 1, 16,
                             "Directory lookup for the file \"E:\\Gone\\QUENTARO_log.LDF\" failed with the operating "
                             "system error 3(The system cannot find the path specified.)."}));
    EXPECT_EQ(last_.messages[1],
              (ServerMessage{3156, 1, 16,
                             "File 'QUENTARO_log' cannot be restored to 'E:\\Gone\\QUENTARO_log.LDF'. Use WITH MOVE "
                             "to identify a valid location for the file."}));
}

TEST_F(EngineTest, WithoutMovesTheOriginalUnmappedPathsFail) {
    ExpectRestoreRefused(LogIn(), Restore("QUENTARO", "D:\\Data\\QUENTARO.bak", ""), {5133, 3156, 5133, 3156});
}

TEST_F(EngineTest, DatabaseInUseByAnotherConnectionIs3101) {
    ClientId admin = LogIn();
    RestoreQuentaro(admin);
    ClientId user = LogIn("QUENTARO");
    ExpectRestoreRefused(admin, kRestore, {3101});
    EXPECT_EQ(last_.messages[0].text, "Exclusive access could not be obtained because the database is in use.");
    ExpectRestoreRefused(user, kRestore, {3102});
}

TEST_F(EngineTest, ExistingDatabaseWithoutReplaceRefusesABackupOfAnother) {
    ClientId client = LogIn();
    RestoreQuentaro(client);
    testing::WriteFile(root_ / "d" / "other.bak", EncodeBackup(SampleBackup("OTHER", "OTHER_data", "OTHER_log")));
    ExpectRestoreRefused(client,
                         "restore database QUENTARO from disk='D:\\other.bak' with move 'OTHER_data' to "
                         "'E:\\Db\\o.mdf', move 'OTHER_log' to 'E:\\Db\\o.ldf'",
                         {3154});
    EXPECT_EQ(last_.messages[0].text,
              "The backup set holds a backup of a database other than the existing 'QUENTARO' database.");
}

TEST_F(EngineTest, SystemDatabasesCannotBeRestored) {
    ClientId client = LogIn();
    ExpectRestoreRefused(client, Restore("tempdb", "D:\\Data\\QUENTARO.bak", ""), {3147});
    ExpectRestoreRefused(client, Restore("master", "D:\\Data\\QUENTARO.bak", ""), {3101});
}

TEST_F(EngineTest, TargetUsedByAnotherDatabaseIs1834) {
    ClientId client = LogIn();
    RestoreQuentaro(client);
    ExpectRestoreRefused(client,
                         Restore("COPY", "D:\\Data\\QUENTARO.bak",
                                 ", move 'QUENTARO_data' to 'E:\\Db\\copy.MDF', move 'QUENTARO_log' to "
                                 "'e:\\db\\quentaro_log.ldf'"),
                         {1834, 3156});
}

TEST_F(EngineTest, BothFilesToOnePathIs3176) {
    ExpectRestoreRefused(LogIn(),
                         Restore("QUENTARO", "D:\\Data\\QUENTARO.bak",
                                 ", move 'QUENTARO_data' to 'E:\\Db\\one', move 'QUENTARO_log' to 'E:\\Db\\ONE'"),
                         {3176});
}

TEST_F(EngineTest, TargetThatIsAFolderIs5123) {
    fs::create_directories(Target("QUENTARO_data.MDF"));
    ExpectRestoreRefused(LogIn(), kRestore, {5123, 3156});
    EXPECT_EQ(last_.messages[0].text,
              "CREATE FILE encountered operating system error 5(Access is denied.) while attempting to open or create "
              "the physical file 'E:\\Db\\QUENTARO_data.MDF'.");
}

TEST_F(EngineTest, FailedWriteRemovesWhatWasWritten) {
    // The log file's temporary name is taken by a folder, so writing it fails
    // after the data file's temporary was written.
    fs::create_directories(Target(".QUENTARO_log.LDF.restoring"));
    StatementResult result = Run(LogIn(), kRestore);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(Numbers(result), (std::vector<int>{5123, 3156, 3013}));
    EXPECT_FALSE(fs::exists(Target(".QUENTARO_data.MDF.restoring")));
    EXPECT_FALSE(fs::exists(Target("QUENTARO_data.MDF")));
    EXPECT_EQ(engine_->Snapshot().Find("QUENTARO"), nullptr);
}

TEST_F(EngineTest, UnwritableCatalogUndoesTheRestore) {
    fs::create_directories(root_ / "state" / "catalog.txt.tmp");
    StatementResult result = Run(LogIn(), kRestore);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(Numbers(result), (std::vector<int>{50000, 3013}));
    EXPECT_TRUE(testing::FilesBelow(root_ / "e").empty());
    EXPECT_EQ(engine_->Snapshot().Find("QUENTARO"), nullptr);
}

TEST_F(EngineTest, UnwritableCatalogKeepsADroppedDatabase) {
    ClientId client = LogIn();
    RestoreQuentaro(client);
    fs::create_directories(root_ / "state" / "catalog.txt.tmp");
    StatementResult result = Run(client, "drop database QUENTARO");
    EXPECT_TRUE(result.failed);
    EXPECT_NE(engine_->Snapshot().Find("QUENTARO"), nullptr);
    EXPECT_TRUE(fs::exists(Target("QUENTARO_data.MDF")));
}

// ---- other batches

TEST_F(EngineTest, SyntaxErrorsAre102Class15) {
    StatementResult result = Run(LogIn(), "selec * from sysdatabases");
    EXPECT_TRUE(result.failed);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0], (ServerMessage{102, 1, 15, "Incorrect syntax near 'selec'."}));

    StatementResult unclosed = Run(LogIn(), "drop database 'Q");
    EXPECT_EQ(Numbers(unclosed), (std::vector<int>{105, 102}));
    EXPECT_EQ(unclosed.messages[0].text, "Unclosed quotation mark before the character string 'Q'.");
}

TEST_F(EngineTest, SetBatchesAreAcknowledgedPlainly) {
    StatementResult result = Run(LogIn(), "set textsize 64512 ");
    EXPECT_FALSE(result.failed);
    EXPECT_TRUE(result.messages.empty());
    EXPECT_FALSE(result.row_count);
    EXPECT_FALSE(result.result_set);
}

}  // namespace
}  // namespace qz::engine
