// Whole conversations with one connection over a socket pair, and with the
// server over loopback: login, refusals, batches, attention, stalls, the
// ignore bit, packet sizes and the batch log.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <sstream>
#include <thread>

#include "backup_format.h"
#include "connection.h"
#include "server.h"
#include "tds_prelogin.h"
#include "test_support.h"

namespace qz::engine {
namespace {
namespace fs = std::filesystem;
using testing::DecodeTokens;
using testing::IsToken;
using testing::Token;
using tds::PacketType;

constexpr char kRestore[] =
    "Restore DataBase QUENTARO from disk='D:\\Data\\QUENTARO.bak' with replace,  move 'QUENTARO_data' to "
    "'E:\\Db\\QUENTARO_data.MDF', move 'QUENTARO_log' to 'E:\\Db\\QUENTARO_log.LDF'\r\n";

class ConnectionTest : public ::testing::Test {
protected:
    ConnectionTest() {
        fs::create_directories(root_ / "d" / "Data");
        fs::create_directories(root_ / "e" / "Db");
        testing::WriteFile(root_ / "d" / "Data" / "QUENTARO.bak",
                           EncodeBackup(SampleBackup("QUENTARO", "QUENTARO_data", "QUENTARO_log")));
        EngineConfig config;
        config.state_folder = root_ / "state";
        config.drives.Add('D', root_ / "d");
        config.drives.Add('E', root_ / "e");
        engine_ = std::make_unique<Engine>(std::move(config));
        log_ = std::make_unique<EngineLog>(root_ / "state");
    }

    ~ConnectionTest() override { Hang(); }

    // Starts a connection served on a thread; returns the client end.
    testing::TestClient &Open(Delays delays = {}) {
        int ends[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        server_end_.Reset(ends[0]);
        client_end_.Reset(ends[1]);
        server_ = std::thread([this, delays] { Connection(server_end_.Get(), *engine_, *log_, delays).Run(); });
        client_ = std::make_unique<testing::TestClient>(client_end_.Get());
        return *client_;
    }

    // The client leaves; the connection's thread must end.
    void Hang() {
        if (client_end_.Valid())
            ::shutdown(client_end_.Get(), SHUT_RDWR);
        if (server_.joinable())
            server_.join();
        client_end_.Reset();
        server_end_.Reset();
    }

    std::vector<Token> Exchange(PacketType type, const Bytes &payload, std::size_t packet_size = 4096) {
        client_->Send(testing::Packets(type, payload, packet_size));
        std::optional<Bytes> reply = client_->ReadReply();
        EXPECT_TRUE(reply) << "no reply";
        return reply ? DecodeTokens(*reply, version_) : std::vector<Token>{};
    }

    std::vector<Token> LogIn(testing::LoginRequest request = {}) {
        version_ = std::min(request.tds_version, tds::kVersion74);
        client_->Send(testing::Packets(PacketType::PreLogin, testing::PreLoginPayload(false)));
        std::optional<Bytes> prelogin = client_->ReadReply();
        EXPECT_TRUE(prelogin);
        return Exchange(PacketType::Login7, testing::Login7Payload(request));
    }

    std::vector<Token> Batch(std::string_view sql, std::size_t packet_size = 4096) {
        return Exchange(PacketType::SqlBatch, testing::SqlBatchPayload(version_, sql), packet_size);
    }

    std::vector<int> ErrorNumbers(const std::vector<Token> &tokens) {
        std::vector<int> numbers;
        for (const Token &token : tokens) {
            if (IsToken(token, tds::Token::Error) || IsToken(token, tds::Token::Info))
                numbers.push_back(token.number);
        }
        return numbers;
    }

    testing::TempFolder root_;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<EngineLog> log_;
    UniqueFd server_end_;
    UniqueFd client_end_;
    std::thread server_;
    std::unique_ptr<testing::TestClient> client_;
    std::uint32_t version_ = tds::kVersion74;
};

// ---- login

TEST_F(ConnectionTest, PreLoginIsAnsweredWithEncryptionNotSupported) {
    testing::TestClient &client = Open();
    client.Send(testing::Packets(PacketType::PreLogin, testing::PreLoginPayload(true)));
    std::optional<Bytes> reply = client.ReadReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(client.LastPacketHeaders().at(0)[0], 0x04) << "a reply packet";
    EXPECT_EQ(tds::ParsePreLogin(*reply).encryption, tds::kEncryptNotSupported);
}

TEST_F(ConnectionTest, LoginSucceedsInEveryVersion) {
    for (std::uint32_t version : {tds::kVersion71, tds::kVersion72, tds::kVersion73A, tds::kVersion73B,
                                  tds::kVersion74, 0x75000000u}) {
        SCOPED_TRACE(version);
        Open();
        testing::LoginRequest request;
        request.tds_version = version;
        std::vector<Token> tokens = LogIn(request);
        ASSERT_EQ(tokens.size(), 4u);
        EXPECT_TRUE(IsToken(tokens[0], tds::Token::EnvChange));
        EXPECT_EQ(tokens[0].env_type, 1);
        EXPECT_EQ(tokens[0].new_value, "master");
        EXPECT_TRUE(IsToken(tokens[1], tds::Token::LoginAck));
        EXPECT_EQ(tokens[1].version, std::min(version, tds::kVersion74)) << "the lower of client and 7.4";
        EXPECT_EQ(tokens[1].interface, 1);
        EXPECT_EQ(tokens[2].env_type, 4);
        EXPECT_EQ(tokens[2].new_value, "4096");
        EXPECT_TRUE(IsToken(tokens[3], tds::Token::Done));
        EXPECT_EQ(tokens[3].status, 0);
        for (const Bytes &header : client_->LastPacketHeaders())
            EXPECT_EQ((header[4] << 8) | header[5], 51) << "server process id";
        Hang();
    }
}

TEST_F(ConnectionTest, LoginWithoutPreLoginIsAccepted) {
    testing::TestClient &client = Open();
    client.Send(testing::Packets(PacketType::Login7, testing::Login7Payload({})));
    std::optional<Bytes> reply = client.ReadReply();
    ASSERT_TRUE(reply);
    std::vector<Token> tokens = DecodeTokens(*reply, tds::kVersion74);
    ASSERT_FALSE(tokens.empty());
    EXPECT_EQ(tokens.back().status, 0);
}

TEST_F(ConnectionTest, WrongPasswordIsRefusedAndClosed) {
    Open();
    testing::LoginRequest request;
    request.password = "wrong";
    std::vector<Token> tokens = LogIn(request);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_TRUE(IsToken(tokens[0], tds::Token::Error));
    EXPECT_EQ(tokens[0].number, 18456);
    EXPECT_EQ(tokens[0].severity, 14);
    EXPECT_EQ(tokens[0].state, 1);
    EXPECT_EQ(tokens[0].text, "Login failed for user 'sa'.");
    EXPECT_EQ(tokens[1].status, tds::kDoneError);
    for (const Token &token : tokens)
        EXPECT_FALSE(IsToken(token, tds::Token::LoginAck));
    EXPECT_TRUE(client_->WaitForClose());
}

TEST_F(ConnectionTest, RefusalsUseTheClientsLayout) {
    Open();
    testing::LoginRequest request;
    request.tds_version = tds::kVersion71;
    request.database = "NOPE";
    std::vector<Token> tokens = LogIn(request);  // decoded in the 7.1 layout
    EXPECT_EQ(ErrorNumbers(tokens), (std::vector<int>{4060, 18456}));
    EXPECT_EQ(tokens.back().status, tds::kDoneError);
    EXPECT_TRUE(client_->WaitForClose());
}

TEST_F(ConnectionTest, WindowsAuthenticationAndOldVersionsAreRefused) {
    Open();
    testing::LoginRequest integrated;
    integrated.integrated_security = true;
    EXPECT_EQ(ErrorNumbers(LogIn(integrated)), std::vector<int>{18452});
    EXPECT_TRUE(client_->WaitForClose());
    Hang();

    Open();
    testing::LoginRequest old;
    old.tds_version = 0x70000000;
    EXPECT_EQ(ErrorNumbers(LogIn(old)), std::vector<int>{18456});
    EXPECT_TRUE(client_->WaitForClose());
}

TEST_F(ConnectionTest, LoginDatabaseBecomesCurrent) {
    engine_->Execute(engine_->Login("sa", "", "").client.value(), ParseStatement(kRestore));
    Open();
    testing::LoginRequest request;
    request.database = "quentaro";
    std::vector<Token> tokens = LogIn(request);
    ASSERT_FALSE(tokens.empty());
    EXPECT_EQ(tokens[0].new_value, "QUENTARO");
    // The database is now in use by this connection.
    ClientId other = engine_->Login("sa", "", "").client.value();
    EXPECT_TRUE(engine_->Execute(other, ParseStatement("drop database QUENTARO")).failed);
    Hang();
    EXPECT_FALSE(engine_->Execute(other, ParseStatement("drop database QUENTARO")).failed)
        << "a closed connection no longer holds its database";
}

// ---- batches

TEST_F(ConnectionTest, ExistenceQueryReturnsRowsAndACount) {
    Open();
    LogIn();
    std::vector<Token> tokens = Batch("select * from sysdatabases where name='master'\r\n");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_TRUE(IsToken(tokens[0], tds::Token::ColMetadata));
    EXPECT_EQ(tokens[0].columns.size(), 12u);
    EXPECT_EQ(tokens[1].values.at(0), "master");
    EXPECT_EQ(tokens[2].status, tds::kDoneCount);
    EXPECT_EQ(tokens[2].count, 1u);

    tokens = Batch("select * from sysdatabases where name='QUENTARO'\r\n");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[1].status, tds::kDoneCount);
    EXPECT_EQ(tokens[1].count, 0u);
}

TEST_F(ConnectionTest, RestoreDropAndSyntaxErrorOverTheWire) {
    Open();
    testing::LoginRequest request;
    request.tds_version = tds::kVersion71;
    LogIn(request);
    std::vector<Token> restored = Batch(kRestore);
    EXPECT_EQ(ErrorNumbers(restored), std::vector<int>{3014});
    EXPECT_EQ(restored.back().status, tds::kDoneCount);
    std::vector<Token> dropped = Batch("drop database QUENTARO\r\n");
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].status, tds::kDoneCount);
    std::vector<Token> wrong = Batch("selec 1");
    EXPECT_EQ(ErrorNumbers(wrong), std::vector<int>{102});
    EXPECT_EQ(wrong.back().status, tds::kDoneError);
}

TEST_F(ConnectionTest, BatchSpreadOverManyPacketsIsJoined) {
    Open();
    LogIn();
    std::string sql = "select * from sysdatabases where name='model'";
    sql += std::string(2000, ' ');
    sql += "\r\n";
    std::vector<Token> tokens = Batch(sql, 512);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].values.at(0), "model");
}

TEST_F(ConnectionTest, RepliesAreSplitAtTheNegotiatedPacketSize) {
    Open();
    testing::LoginRequest request;
    request.packet_size = 512;
    std::vector<Token> login = LogIn(request);
    ASSERT_GE(login.size(), 3u);
    EXPECT_EQ(login[2].new_value, "512");
    std::string device = "D:\\" + std::string(400, 'x') + ".bak";
    std::vector<Token> tokens = Batch("restore database Q from disk='" + device + "'");
    EXPECT_EQ(ErrorNumbers(tokens), (std::vector<int>{3201, 3013}));
    const std::vector<Bytes> &headers = client_->LastPacketHeaders();
    ASSERT_GT(headers.size(), 1u);
    for (std::size_t i = 0; i < headers.size(); ++i) {
        EXPECT_LE((headers[i][2] << 8) | headers[i][3], 512);
        EXPECT_EQ(headers[i][1], i + 1 == headers.size() ? 0x01 : 0x00);
        EXPECT_EQ(headers[i][6], i + 1) << "packets are numbered";
    }
}

TEST_F(ConnectionTest, SetBatchesGetAPlainDone) {
    Open();
    LogIn();
    std::vector<Token> tokens = Batch("set textsize 64512 ");
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].status, 0);
}

TEST_F(ConnectionTest, RpcRequestsAreRefused) {
    Open();
    LogIn();
    std::vector<Token> tokens = Exchange(PacketType::Rpc, Bytes(30, 0));
    EXPECT_EQ(ErrorNumbers(tokens), std::vector<int>{50000});
    EXPECT_EQ(tokens.back().status, tds::kDoneError);
}

TEST_F(ConnectionTest, WithdrawnMessageGetsAPlainDone) {
    testing::TestClient &client = Open();
    LogIn();
    client.Send(testing::Packets(PacketType::SqlBatch, testing::SqlBatchPayload(version_, "drop database master"),
                                 4096, tds::kStatusEndOfMessage | tds::kStatusIgnore));
    std::optional<Bytes> reply = client.ReadReply();
    ASSERT_TRUE(reply);
    std::vector<Token> tokens = DecodeTokens(*reply, version_);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].status, 0);
}

TEST_F(ConnectionTest, GarbageClosesTheConnection) {
    testing::TestClient &client = Open();
    client.Send(Bytes{0x12, 0x01, 0x00, 0x02, 0, 0, 0, 0});
    EXPECT_TRUE(client.WaitForClose());
}

TEST_F(ConnectionTest, BatchesAreLoggedOneALineEscaped) {
    Open();
    LogIn();
    Batch("select * from sysdatabases where name='a\\b'\r\n");
    Batch("set textsize 1");
    EXPECT_EQ(testing::ReadText(root_ / "state" / kBatchLogFileName),
              "select * from sysdatabases where name='a\\\\b'\\r\\n\nset textsize 1\n");
}

// The events of each connection, with the time and its number: "hh:mm:ss.mmm #N ...".
std::vector<std::string> EventsOf(const fs::path &state, const std::string &needle) {
    std::vector<std::string> lines;
    std::istringstream text(testing::ReadText(state / kEventLogFileName));
    for (std::string line; std::getline(text, line);) {
        if (line.find(needle) != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

TEST_F(ConnectionTest, EventsSayWhyALoginWasRefusedAndWhatEachBatchGot) {
    const auto refused = [this](const testing::LoginRequest &request) {
        Open();
        LogIn(request);
        EXPECT_TRUE(client_->WaitForClose());
        Hang();
    };
    testing::LoginRequest wrong_password;
    wrong_password.password = "wrong";
    refused(wrong_password);
    testing::LoginRequest stranger;
    stranger.user = "bob";
    refused(stranger);
    testing::LoginRequest no_database;
    no_database.database = "NOPE";
    refused(no_database);
    Open();
    LogIn();
    Batch("drop database QUENTARO");
    Hang();

    const fs::path state = root_ / "state";
    const std::vector<std::string> refusals = EventsOf(state, "login refused: ");
    ASSERT_EQ(refusals.size(), 3u);
    EXPECT_NE(refusals[0].find("wrong password for 'sa'"), std::string::npos) << refusals[0];
    EXPECT_NE(refusals[1].find("user 'bob' is not the engine's user 'sa'"), std::string::npos) << refusals[1];
    EXPECT_NE(refusals[2].find("no database 'NOPE'"), std::string::npos) << refusals[2];
    const std::vector<std::string> accepted = EventsOf(state, "login accepted: database 'master'");
    ASSERT_EQ(accepted.size(), 1u);
    const std::string number = accepted[0].substr(12, accepted[0].find(' ', 13) - 12);
    EXPECT_EQ(EventsOf(state, number + " batch: drop database QUENTARO").size(), 1u);
    EXPECT_EQ(EventsOf(state, number + " answered: error 3701: Cannot drop").size(), 1u);
    EXPECT_EQ(EventsOf(state, number + " the client closed the connection").size(), 1u);
    for (const std::string &line : EventsOf(state, "#")) {
        ASSERT_GE(line.size(), 15u);
        EXPECT_EQ(line.substr(2, 1) + line.substr(5, 1) + line.substr(8, 1) + line.substr(12, 2), "::. #") << line;
    }
    EXPECT_EQ(EventsOf(state, " connected").size(), 4u);
    EXPECT_EQ(EventsOf(state, " ends").size(), 4u);
}

// ---- attention and stalls

TEST_F(ConnectionTest, AttentionWhenIdleIsAcknowledged) {
    testing::TestClient &client = Open();
    LogIn();
    Batch("select * from sysdatabases where name='master'");
    client.Send(testing::AttentionPacket());
    std::optional<Bytes> reply = client.ReadReply();
    ASSERT_TRUE(reply);
    std::vector<Token> tokens = DecodeTokens(*reply, version_);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].status, tds::kDoneAttention);
    EXPECT_EQ(tokens[0].count, 0u);
}

TEST_F(ConnectionTest, AttentionDuringAStallCancelsTheStatement) {
    engine_->Execute(engine_->Login("sa", "", "").client.value(), ParseStatement(kRestore));
    Delays delays;
    delays.statement = std::chrono::seconds(60);  // cut short by the attention
    testing::TestClient &client = Open(delays);
    LogIn();
    client.Send(testing::Packets(PacketType::SqlBatch, testing::SqlBatchPayload(version_, "drop database QUENTARO")));
    client.Send(testing::AttentionPacket());
    std::optional<Bytes> reply = client.ReadReply();
    ASSERT_TRUE(reply) << "no acknowledgement while stalling";
    std::vector<Token> tokens = DecodeTokens(*reply, version_);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].status, tds::kDoneAttention);
    EXPECT_NE(engine_->Snapshot().Find("QUENTARO"), nullptr) << "the cancelled drop was carried out";

    std::vector<Token> after = Batch("set textsize 100");
    ASSERT_EQ(after.size(), 1u) << "the connection serves on";
    EXPECT_EQ(after[0].status, 0);
}

TEST_F(ConnectionTest, StalledStatementRunsOnceTheDelayIsOver) {
    Delays delays;
    delays.statement = std::chrono::milliseconds(100);
    Open(delays);
    LogIn();
    std::vector<Token> tokens = Batch("select * from sysdatabases where name='tempdb'");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].values.at(0), "tempdb");
}

TEST_F(ConnectionTest, ClientLeavingDuringAStallLeavesTheCatalogAlone) {
    engine_->Execute(engine_->Login("sa", "", "").client.value(), ParseStatement(kRestore));
    Delays delays;
    delays.statement = std::chrono::seconds(60);
    testing::TestClient &client = Open(delays);
    LogIn();
    client.Send(testing::Packets(PacketType::SqlBatch, testing::SqlBatchPayload(version_, "drop database QUENTARO")));
    Hang();
    EXPECT_NE(engine_->Snapshot().Find("QUENTARO"), nullptr);
    EXPECT_TRUE(fs::exists(root_ / "e" / "Db" / "QUENTARO_data.MDF"));
}

// ---- negotiation

TEST(Negotiation, VersionIsTheLowerOfClientAnd74) {
    EXPECT_EQ(NegotiateVersion(tds::kVersion71), tds::kVersion71);
    EXPECT_EQ(NegotiateVersion(tds::kVersion73A), tds::kVersion73A);
    EXPECT_EQ(NegotiateVersion(0x75000005), tds::kVersion74);
    EXPECT_EQ(NegotiateVersion(0x72000000), tds::kVersion72);
    EXPECT_FALSE(NegotiateVersion(0x70000000));
    EXPECT_FALSE(NegotiateVersion(0x08000000));
}

TEST(Negotiation, PacketSizeIsClamped) {
    EXPECT_EQ(NegotiatePacketSize(0), 4096u);
    EXPECT_EQ(NegotiatePacketSize(100), 512u);
    EXPECT_EQ(NegotiatePacketSize(8192), 8192u);
    EXPECT_EQ(NegotiatePacketSize(65536), 32767u);
}

// ---- the server over loopback

TEST(Server, ServesOnAPortItChoseAndStopsWithConnectionsOpen) {
    testing::TempFolder root;
    EngineConfig config;
    config.state_folder = root / "state";
    Engine engine(std::move(config));
    EngineLog log(root / "state");
    Server server(engine, log, Delays{});
    std::uint16_t port = server.Start("127.0.0.1", 0);
    ASSERT_NE(port, 0);

    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(socket.Get(), reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    testing::TestClient client(socket.Get());
    client.Send(testing::Packets(PacketType::Login7, testing::Login7Payload({})));
    std::optional<Bytes> reply = client.ReadReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(DecodeTokens(*reply, tds::kVersion74).back().status, 0);
    EXPECT_EQ(server.ActiveConnections(), 1u);

    server.Stop();  // with the connection still open
    EXPECT_TRUE(client.WaitForClose());
    EXPECT_EQ(server.ActiveConnections(), 0u);
}

TEST(Server, BindingABusyPortThrows) {
    testing::TempFolder root;
    EngineConfig config;
    config.state_folder = root / "state";
    Engine engine(std::move(config));
    EngineLog log(root / "state");
    Server first(engine, log, Delays{});
    std::uint16_t port = first.Start("127.0.0.1", 0);
    Server second(engine, log, Delays{});
    EXPECT_THROW(second.Start("127.0.0.1", port), std::system_error);
}

}  // namespace
}  // namespace qz::engine
