// The command line.
#include <gtest/gtest.h>

#include "options.h"

namespace qz::engine {
namespace {

CommandLine Parse(std::vector<std::string_view> arguments) { return ParseCommandLine(arguments); }

std::string ErrorOf(const CommandLine &command) {
    const auto *error = std::get_if<CommandLineError>(&command);
    return error != nullptr ? error->message : "";
}

TEST(CommandLine, ServeWithEveryOption) {
    CommandLine command = Parse({"--listen", "127.0.0.1:0", "--state", "/tmp/s", "--user", "admin", "--password",
                                 "pw", "--drive", "C=/tmp/c", "--drive", "d=/tmp/d", "--stall-ms", "2500"});
    const auto *options = std::get_if<ServeOptions>(&command);
    ASSERT_NE(options, nullptr) << ErrorOf(command);
    EXPECT_EQ(options->address, "127.0.0.1");
    EXPECT_EQ(options->port, 0);
    EXPECT_EQ(options->state_folder, "/tmp/s");
    EXPECT_EQ(options->user, "admin");
    EXPECT_EQ(options->password, "pw");
    EXPECT_EQ(options->drives.Map("D:\\x"), std::filesystem::path("/tmp/d/x"));
    EXPECT_EQ(options->statement_stall, std::chrono::milliseconds(2500));
}

TEST(CommandLine, ServeDefaults) {
    CommandLine command = Parse({"--listen", "127.0.0.1:1433", "--state", "s"});
    const auto *options = std::get_if<ServeOptions>(&command);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->port, 1433);
    EXPECT_EQ(options->user, "sa");
    EXPECT_EQ(options->password, "");
    EXPECT_TRUE(options->drives.Empty());
    EXPECT_EQ(options->statement_stall.count(), 0);
    EXPECT_TRUE(std::holds_alternative<ServeOptions>(
        Parse({"--listen", "127.0.0.1:1", "--state", "s", "--password", ""})));
}

TEST(CommandLine, FaultsForTheClientsTimeOutsAndLostConnections) {
    CommandLine command = Parse({"--listen", "127.0.0.1:0", "--state", "s", "--login-stall-ms", "20000", "--fault",
                                 "close-on-restore"});
    const auto *options = std::get_if<ServeOptions>(&command);
    ASSERT_NE(options, nullptr) << ErrorOf(command);
    EXPECT_EQ(options->login_stall, std::chrono::milliseconds(20000));
    EXPECT_TRUE(options->close_on_restore);
    EXPECT_FALSE(std::get<ServeOptions>(Parse({"--listen", "127.0.0.1:0", "--state", "s"})).close_on_restore);
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1:1", "--state", "s", "--fault", "explode"})), "");
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1:1", "--state", "s", "--login-stall-ms", "x"})), "");
}

TEST(CommandLine, OnlyLoopbackAddressesAreAccepted) {
    EXPECT_TRUE(IsLoopbackAddress("127.0.0.1"));
    EXPECT_TRUE(IsLoopbackAddress("127.255.0.9"));
    for (const char *address : {"0.0.0.0", "10.0.0.1", "128.0.0.1", "localhost", "::1", "", "127.0.0"}) {
        SCOPED_TRACE(address);
        EXPECT_FALSE(IsLoopbackAddress(address));
        std::string listen = std::string(address) + ":5000";
        EXPECT_NE(ErrorOf(Parse({"--listen", listen, "--state", "s"})), "");
    }
}

TEST(CommandLine, MalformedServeOptionsAreErrors) {
    EXPECT_NE(ErrorOf(Parse({"--state", "s"})), "");
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1:1"})), "");
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1", "--state", "s"})), "");
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1:70000", "--state", "s"})), "");
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1:x", "--state", "s"})), "");
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1:1", "--state", "s", "--drive", "CC=/x"})), "");
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1:1", "--state", "s", "--stall-ms", "-1"})), "");
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1:1", "--state", "s", "--bogus", "1"})), "");
    EXPECT_NE(ErrorOf(Parse({"--listen", "127.0.0.1:1", "--state"})), "");
    EXPECT_NE(ErrorOf(Parse({"stray"})), "");
}

TEST(CommandLine, MakeBackup) {
    CommandLine command = Parse({"--make-backup", "out.bak", "--database", "QUENTARO", "--data", "QUENTARO_data",
                                 "--log", "QUENTARO_log", "--data-file", "d.mdf"});
    const auto *options = std::get_if<MakeBackupOptions>(&command);
    ASSERT_NE(options, nullptr) << ErrorOf(command);
    EXPECT_EQ(options->output, "out.bak");
    EXPECT_EQ(options->database, "QUENTARO");
    EXPECT_EQ(options->data_logical, "QUENTARO_data");
    EXPECT_EQ(options->log_logical, "QUENTARO_log");
    EXPECT_EQ(options->data_file, std::filesystem::path("d.mdf"));
    EXPECT_FALSE(options->log_file);

    CommandLine defaults = Parse({"--make-backup", "x.bak", "--database", "SALES"});
    const auto *named = std::get_if<MakeBackupOptions>(&defaults);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->data_logical, "SALES_data");
    EXPECT_EQ(named->log_logical, "SALES_log");

    EXPECT_NE(ErrorOf(Parse({"--make-backup", "x.bak", "--listen", "127.0.0.1:1"})), "");
    EXPECT_NE(ErrorOf(Parse({"--make-backup", "x.bak", "--data", ""})), "");
}

TEST(CommandLine, Help) { EXPECT_TRUE(std::holds_alternative<HelpRequested>(Parse({"--help"}))); }

}  // namespace
}  // namespace qz::engine
