// The TDS codec: packet framing, PRELOGIN, LOGIN7, SQL batches and the bytes
// of each reply token in every version's layout.
#include <gtest/gtest.h>

#include "sysdatabases.h"
#include "tds_batch.h"
#include "tds_login7.h"
#include "tds_packet.h"
#include "tds_prelogin.h"
#include "tds_tokens.h"
#include "test_support.h"

namespace qz::engine {
namespace {

using testing::DecodeTokens;
using testing::IsToken;
using tds::PacketType;

constexpr std::uint32_t kAllVersions[] = {tds::kVersion71, tds::kVersion72, tds::kVersion73A, tds::kVersion73B,
                                          tds::kVersion74};

Bytes Sequence(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    return bytes;
}

// ---- packets

TEST(PacketFraming, HeaderReadsBigEndianLengthAndProcessId) {
    const Bytes header = {0x04, 0x01, 0x01, 0x02, 0x00, 0x33, 0x05, 0x00};
    tds::PacketHeader read = tds::ReadPacketHeader(header);
    EXPECT_EQ(read.type, 0x04);
    EXPECT_EQ(read.status, 0x01);
    EXPECT_EQ(read.length, 0x0102);
    EXPECT_EQ(read.process_id, 51);
    EXPECT_EQ(read.packet_id, 5);
}

TEST(PacketFraming, HeaderShorterThanItselfIsRefused) {
    const Bytes header = {0x01, 0x01, 0x00, 0x07, 0x00, 0x00, 0x01, 0x00};
    EXPECT_THROW(tds::ReadPacketHeader(header), ProtocolError);
    EXPECT_THROW(tds::ReadPacketHeader(Bytes{0x01, 0x01}), ProtocolError);
}

TEST(PacketFraming, ReplyIsSplitAtThePacketSize) {
    const Bytes payload = Sequence(10000);
    std::vector<Bytes> packets = tds::SplitIntoPackets(PacketType::Reply, payload, 4096);
    ASSERT_EQ(packets.size(), 3u);
    Bytes joined;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        tds::PacketHeader header = tds::ReadPacketHeader(packets[i]);
        EXPECT_EQ(header.type, 0x04);
        EXPECT_EQ(header.length, packets[i].size());
        EXPECT_EQ(header.process_id, 51) << "every reply carries the server process id";
        EXPECT_EQ(header.packet_id, i + 1);
        EXPECT_EQ(header.status, i + 1 == packets.size() ? 0x01 : 0x00) << "only the last packet ends the message";
        joined.insert(joined.end(), packets[i].begin() + 8, packets[i].end());
    }
    EXPECT_EQ(packets[0].size(), 4096u);
    EXPECT_EQ(packets[1].size(), 4096u);
    EXPECT_EQ(packets[2].size(), 8u + 10000u - 2u * 4088u);
    EXPECT_EQ(joined, payload);
}

TEST(PacketFraming, PayloadFillingOnePacketExactlyIsOnePacket) {
    std::vector<Bytes> packets = tds::SplitIntoPackets(PacketType::Reply, Sequence(4088), 4096);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].size(), 4096u);
    EXPECT_EQ(packets[0][1], 0x01);
}

TEST(PacketFraming, EmptyReplyIsOneHeaderOnlyPacket) {
    std::vector<Bytes> packets = tds::SplitIntoPackets(PacketType::Reply, {}, 4096);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], (Bytes{0x04, 0x01, 0x00, 0x08, 0x00, 0x33, 0x01, 0x00}));
}

TEST(PacketFraming, PacketSizeBelowTheMinimumIsRaisedTo512) {
    std::vector<Bytes> packets = tds::SplitIntoPackets(PacketType::Reply, Sequence(1000), 100);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].size(), 512u);
}

TEST(MessageAssembly, PacketsJoinUpToEndOfMessage) {
    const Bytes payload = Sequence(9000);
    const Bytes wire = testing::Packets(PacketType::SqlBatch, payload, 4096);
    tds::MessageAssembler assembler;
    std::optional<tds::Message> message;
    for (std::size_t at = 0; at < wire.size();) {
        std::size_t length = (wire[at + 2] << 8) | wire[at + 3];
        ASSERT_FALSE(message) << "message ended before its last packet";
        message = assembler.Add(ByteView(wire).subspan(at, length));
        at += length;
    }
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->Is(PacketType::SqlBatch));
    EXPECT_FALSE(message->ignored);
    EXPECT_EQ(message->payload, payload);
}

TEST(MessageAssembly, AttentionStandsAloneAndDropsAPartialMessage) {
    const Bytes wire = testing::Packets(PacketType::SqlBatch, Sequence(5000), 4096);
    tds::MessageAssembler assembler;
    EXPECT_FALSE(assembler.Add(ByteView(wire).first(4096)));
    std::optional<tds::Message> attention = assembler.Add(testing::AttentionPacket());
    ASSERT_TRUE(attention);
    EXPECT_TRUE(attention->Is(PacketType::Attention));
    EXPECT_TRUE(attention->payload.empty());

    const Bytes next = testing::Packets(PacketType::SqlBatch, Sequence(10));
    std::optional<tds::Message> message = assembler.Add(next);
    ASSERT_TRUE(message) << "the dropped partial message must not swallow the next one";
    EXPECT_EQ(message->payload, Sequence(10));
}

TEST(MessageAssembly, IgnoreBitWithdrawsTheMessage) {
    const Bytes wire = testing::Packets(PacketType::SqlBatch, Sequence(5000), 4096,
                                        tds::kStatusEndOfMessage | tds::kStatusIgnore);
    tds::MessageAssembler assembler;
    EXPECT_FALSE(assembler.Add(ByteView(wire).first(4096)));
    std::optional<tds::Message> message = assembler.Add(ByteView(wire).subspan(4096));
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->ignored);
    EXPECT_TRUE(message->payload.empty());
}

TEST(MessageAssembly, MalformedPacketsAreProtocolErrors) {
    tds::MessageAssembler assembler;
    Bytes wrong_length = testing::Packets(PacketType::SqlBatch, Sequence(10));
    wrong_length.push_back(0);
    EXPECT_THROW(assembler.Add(wrong_length), ProtocolError);

    tds::MessageAssembler mixed;
    const Bytes first = testing::Packets(PacketType::SqlBatch, Sequence(5000), 4096);
    EXPECT_FALSE(mixed.Add(ByteView(first).first(4096)));
    EXPECT_THROW(mixed.Add(testing::Packets(PacketType::Rpc, Sequence(4))), ProtocolError);
}

TEST(MessageAssembly, ResetConnectionBitIsReported) {
    tds::MessageAssembler assembler;
    Bytes wire = testing::Packets(PacketType::SqlBatch, Sequence(4));
    wire[1] |= tds::kStatusResetConnection;
    std::optional<tds::Message> message = assembler.Add(wire);
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->reset_connection);
}

// ---- PRELOGIN

TEST(PreLogin, RequestOptionsAreRead) {
    tds::PreLoginRequest request = tds::ParsePreLogin(testing::PreLoginPayload(true));
    ASSERT_TRUE(request.encryption);
    EXPECT_EQ(*request.encryption, 0x00);
    EXPECT_TRUE(request.mars_offered);
    EXPECT_FALSE(tds::ParsePreLogin(testing::PreLoginPayload(false)).mars_offered);
}

TEST(PreLogin, OptionDataBeyondThePayloadIsRefused) {
    Bytes payload = testing::PreLoginPayload(false);
    payload[4] = 0x40;  // VERSION claims 64 bytes
    EXPECT_THROW(tds::ParsePreLogin(payload), ProtocolError);
    EXPECT_THROW(tds::ParsePreLogin(Bytes{0x00, 0x00}), ProtocolError) << "no terminator";
}

TEST(PreLogin, AnswerSaysEncryptionNotSupported) {
    const Bytes reply = tds::PreLoginReply(tds::ParsePreLogin(testing::PreLoginPayload(false)));
    // VERSION, ENCRYPTION, INSTOPT, THREADID, terminator, then the data.
    const Bytes expected = {
        0x00, 0x00, 0x15, 0x00, 0x06,        // VERSION at 21, 6 bytes
        0x01, 0x00, 0x1B, 0x00, 0x01,        // ENCRYPTION at 27, 1 byte
        0x02, 0x00, 0x1C, 0x00, 0x01,        // INSTOPT at 28, 1 byte
        0x03, 0x00, 0x1D, 0x00, 0x00,        // THREADID at 29, empty
        0xFF,                                // terminator
        0x08, 0x00, 0x07, 0xF7, 0x00, 0x00,  // 8.0.2039
        0x02,                                // encryption not supported
        0x00,                                // no instance name
    };
    EXPECT_EQ(reply, expected);
}

TEST(PreLogin, AnswerTurnsMarsOffWhenAsked) {
    const Bytes reply = tds::PreLoginReply(tds::ParsePreLogin(testing::PreLoginPayload(true)));
    tds::PreLoginRequest reread = tds::ParsePreLogin(reply);
    EXPECT_EQ(reread.encryption, tds::kEncryptNotSupported);
    EXPECT_TRUE(reread.mars_offered);
    EXPECT_EQ(reply.back(), 0x00) << "MARS off";
}

// ---- LOGIN7

TEST(Login7, PasswordIsUnscrambled) {
    // "a" = 61 00: nibbles swapped 16 00, XOR A5 -> B3 A5.
    EXPECT_EQ(tds::DecodePassword(Bytes{0xB3, 0xA5}), "a");
    EXPECT_EQ(tds::DecodePassword(Bytes{}), "");
}

TEST(Login7, EveryVersionsLayoutIsRead) {
    for (std::uint32_t version : kAllVersions) {
        SCOPED_TRACE(version);
        testing::LoginRequest request;
        request.tds_version = version;
        request.packet_size = 8192;
        request.user = "sa";
        request.password = "Pa55 wörd'密";
        request.database = "QUENTARO";
        tds::Login7 login = tds::ParseLogin7(testing::Login7Payload(request));
        EXPECT_EQ(login.tds_version, version);
        EXPECT_EQ(login.packet_size, 8192u);
        EXPECT_EQ(login.user_name, "sa");
        EXPECT_EQ(login.password, "Pa55 wörd'密");
        EXPECT_EQ(login.database, "QUENTARO");
        EXPECT_EQ(login.host_name, "testhost");
        EXPECT_EQ(login.app_name, "tests");
        EXPECT_EQ(login.server_name, "127.0.0.1");
        EXPECT_FALSE(login.integrated_security);
    }
}

TEST(Login7, EmptyPasswordAndDatabaseReadAsEmpty) {
    testing::LoginRequest request;
    tds::Login7 login = tds::ParseLogin7(testing::Login7Payload(request));
    EXPECT_EQ(login.password, "");
    EXPECT_EQ(login.database, "");
}

TEST(Login7, IntegratedSecurityIsNoticed) {
    testing::LoginRequest request;
    request.integrated_security = true;
    EXPECT_TRUE(tds::ParseLogin7(testing::Login7Payload(request)).integrated_security);
}

TEST(Login7, DamagedRecordsAreRefused) {
    testing::LoginRequest request;
    Bytes record = testing::Login7Payload(request);
    EXPECT_THROW(tds::ParseLogin7(ByteView(record).first(80)), ProtocolError) << "shorter than the fixed part";

    Bytes pointing_outside = record;
    pointing_outside[40] = 0xF0;  // user name offset
    EXPECT_THROW(tds::ParseLogin7(pointing_outside), ProtocolError);

    Bytes long_length = record;
    long_length[0] = static_cast<std::uint8_t>(record.size() + 1);
    EXPECT_THROW(tds::ParseLogin7(long_length), ProtocolError);

    testing::LoginRequest wide;
    wide.tds_version = tds::kVersion72;
    Bytes cut = testing::Login7Payload(wide);
    cut.resize(90);
    cut[0] = 90;
    cut[1] = 0;
    EXPECT_THROW(tds::ParseLogin7(cut), ProtocolError) << "7.2 records have a 94-byte fixed part";
}

// ---- SQL batch

TEST(SqlBatch, TextIsReadAfterAllHeadersFrom72On) {
    const std::string sql = "select * from sysdatabases where name='QUENTARO'\r\n";
    for (std::uint32_t version : kAllVersions) {
        SCOPED_TRACE(version);
        EXPECT_EQ(tds::SqlBatchText(testing::SqlBatchPayload(version, sql), version), sql);
    }
}

TEST(SqlBatch, AllHeadersLengthOutsideTheRequestIsRefused) {
    Bytes payload = testing::SqlBatchPayload(tds::kVersion74, "x");
    payload[0] = 0xFF;
    EXPECT_THROW(tds::SqlBatchText(payload, tds::kVersion74), ProtocolError);
    EXPECT_THROW(tds::SqlBatchText(Bytes{0x01}, tds::kVersion74), ProtocolError);
}

TEST(SqlBatch, NonAsciiTextSurvives) {
    const std::string sql = "select N'数据库'";
    EXPECT_EQ(tds::SqlBatchText(testing::SqlBatchPayload(tds::kVersion71, sql), tds::kVersion71), sql);
}

// ---- tokens

TEST(Tokens, DoneCountIsFourBytesUpTo71AndEightFrom72) {
    tds::TokenWriter narrow(tds::kVersion71);
    narrow.Done(tds::kDoneCount, tds::kCommandSelect, 3);
    EXPECT_EQ(narrow.Take(), (Bytes{0xFD, 0x10, 0x00, 0xC1, 0x00, 0x03, 0x00, 0x00, 0x00}));

    tds::TokenWriter wide(tds::kVersion72);
    wide.Done(tds::kDoneAttention, tds::kCommandNone, 0);
    EXPECT_EQ(wide.Take(), (Bytes{0xFD, 0x20, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Tokens, ErrorBytesAndLengthAt74) {
    tds::TokenWriter writer(tds::kVersion74);
    writer.Error(ServerMessage{102, 1, 15, "x"});
    const Bytes expected = {
        0xAA, 0x20, 0x00,                                // ERROR, 32 bytes follow
        0x66, 0x00, 0x00, 0x00, 0x01, 0x0F,              // 102, state 1, class 15
        0x01, 0x00, 'x', 0x00,                           // message
        0x08, 'Q', 0, 'Z', 0, 'E', 0, 'N', 0, 'G', 0,    // server name
        'I', 0, 'N', 0, 'E', 0,                          //
        0x00,                                            // no procedure
        0x01, 0x00, 0x00, 0x00,                          // line 1
    };
    EXPECT_EQ(writer.Take(), expected);
}

TEST(Tokens, InfoHasTheErrorLayoutWithTwoByteLineUpTo71) {
    tds::TokenWriter writer(tds::kVersion71);
    writer.Info(ServerMessage{3014, 1, 10, "ok"});
    Bytes bytes = writer.Take();
    EXPECT_EQ(bytes[0], 0xAB);
    EXPECT_EQ(bytes[1] | (bytes[2] << 8), static_cast<int>(bytes.size() - 3));
    EXPECT_EQ(bytes.size(), 3u + 4 + 1 + 1 + 2 + 4 + 1 + 16 + 1 + 2);
    std::vector<testing::Token> tokens = DecodeTokens(bytes, tds::kVersion71);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].number, 3014);
    EXPECT_EQ(tokens[0].severity, 10);
    EXPECT_EQ(tokens[0].text, "ok");
    EXPECT_EQ(tokens[0].line, 1u);
}

TEST(Tokens, MessageLengthCountsNonAsciiTextInUtf16) {
    tds::TokenWriter writer(tds::kVersion74);
    writer.Error(ServerMessage{18456, 1, 14, "Login failed for user '用户'."});
    std::vector<testing::Token> tokens = DecodeTokens(writer.Take(), tds::kVersion74);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].text, "Login failed for user '用户'.");
    EXPECT_EQ(tokens[0].server, "QZENGINE");
}

TEST(Tokens, LoginAckCarriesTheVersionMostSignificantByteFirst) {
    tds::TokenWriter writer(tds::kVersion74);
    writer.LoginAck(tds::kVersion74);
    Bytes bytes = writer.Take();
    const std::size_t name_chars = std::char_traits<char16_t>::length(tds::kProductName);
    ASSERT_EQ(bytes.size(), 3u + 10u + 2 * name_chars);
    EXPECT_EQ(bytes[0], 0xAD);
    EXPECT_EQ(bytes[1] | (bytes[2] << 8), static_cast<int>(10 + 2 * name_chars)) << "length is exactly 10+2n";
    EXPECT_EQ(bytes[3], 0x01) << "interface: Transact-SQL";
    EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.begin() + 8), (Bytes{0x74, 0x00, 0x00, 0x04}));
    EXPECT_EQ(bytes[8], name_chars);
    EXPECT_EQ(Bytes(bytes.end() - 4, bytes.end()), (Bytes{0x08, 0x00, 0x07, 0xF7}));

    tds::TokenWriter old(tds::kVersion71);
    old.LoginAck(tds::kVersion71);
    std::vector<testing::Token> tokens = DecodeTokens(old.Take(), tds::kVersion71);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].version, 0x71000001u);
    EXPECT_EQ(tokens[0].product, "Microsoft SQL Server");
}

TEST(Tokens, EnvChangeBytes) {
    tds::TokenWriter writer(tds::kVersion74);
    writer.EnvChange(tds::EnvChange::PacketSize, "8192", "4096");
    const Bytes expected = {0xE3, 0x13, 0x00, 0x04, 0x04, '8', 0, '1', 0, '9', 0, '2', 0,
                            0x04, '4', 0,    '0',  0,    '9', 0, '6', 0};
    EXPECT_EQ(writer.Take(), expected);
}

TEST(Tokens, SysdatabasesColumnsAndRowInEveryLayout) {
    Catalog catalog;
    ResultSet rows = SysdatabasesRows(catalog, "MASTER");
    ASSERT_EQ(rows.rows.size(), 1u);
    for (std::uint32_t version : kAllVersions) {
        SCOPED_TRACE(version);
        tds::TokenWriter writer(version);
        writer.ColMetadata(rows.columns);
        writer.Row(rows.columns, rows.rows[0]);
        std::vector<testing::Token> tokens = DecodeTokens(writer.Take(), version);
        ASSERT_EQ(tokens.size(), 2u);
        const std::vector<std::pair<std::uint8_t, std::string>> expected_columns = {
            {0xE7, "name"},    {0x34, "dbid"},    {0xA5, "sid"},      {0x34, "mode"},
            {0x38, "status"},  {0x38, "status2"}, {0x3D, "crdate"},   {0x3D, "reserved"},
            {0x38, "category"}, {0x30, "cmptlevel"}, {0xE7, "filename"}, {0x34, "version"},
        };
        EXPECT_EQ(tokens[0].columns, expected_columns);
        const std::vector<std::string> &values = tokens[1].values;
        ASSERT_EQ(values.size(), 12u);
        EXPECT_EQ(values[0], "master");
        EXPECT_EQ(values[1], "1");
        EXPECT_EQ(values[2], "0x01");
        EXPECT_EQ(values[7], "0/0");
        EXPECT_EQ(values[9], "80");
        EXPECT_EQ(values[10], "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\master.mdf");
    }
}

TEST(Tokens, NullOnlyInNullableVariableColumns) {
    const std::vector<Column> columns = {{"filename", ColumnType::NVarChar, 260, true}};
    tds::TokenWriter writer(tds::kVersion74);
    writer.Row(columns, {Value{}});
    EXPECT_EQ(writer.Take(), (Bytes{0xD1, 0xFF, 0xFF}));

    const std::vector<Column> fixed = {{"dbid", ColumnType::SmallInt, 0, false}};
    tds::TokenWriter refusing(tds::kVersion74);
    EXPECT_THROW(refusing.Row(fixed, {Value{}}), std::logic_error);
}

TEST(Tokens, StatementResultEndsWithTheRightDone) {
    StatementResult failed;
    failed.messages = {ServerMessage{3201, 2, 16, "a"}, ServerMessage{3013, 1, 16, "b"}};
    failed.failed = true;
    tds::TokenWriter writer(tds::kVersion74);
    tds::WriteStatementResult(writer, failed);
    std::vector<testing::Token> tokens = DecodeTokens(writer.Take(), tds::kVersion74);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_TRUE(IsToken(tokens[0], tds::Token::Error));
    EXPECT_TRUE(IsToken(tokens[1], tds::Token::Error));
    EXPECT_EQ(tokens[2].status, tds::kDoneError);

    StatementResult restored;
    restored.messages = {ServerMessage{3014, 1, 10, "done"}};
    restored.row_count = 0;
    tds::TokenWriter second(tds::kVersion71);
    tds::WriteStatementResult(second, restored);
    tokens = DecodeTokens(second.Take(), tds::kVersion71);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_TRUE(IsToken(tokens[0], tds::Token::Info));
    EXPECT_EQ(tokens[1].status, tds::kDoneCount) << "a count keeps the driver from answering SQL_NO_DATA";

    StatementResult selected;
    selected.result_set = SysdatabasesRows(Catalog(), "msdb");
    selected.row_count = 1;
    tds::TokenWriter third(tds::kVersion72);
    tds::WriteStatementResult(third, selected);
    tokens = DecodeTokens(third.Take(), tds::kVersion72);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_TRUE(IsToken(tokens[0], tds::Token::ColMetadata));
    EXPECT_TRUE(IsToken(tokens[1], tds::Token::Row));
    EXPECT_EQ(tokens[2].status, tds::kDoneCount);
    EXPECT_EQ(tokens[2].command, tds::kCommandSelect);
    EXPECT_EQ(tokens[2].count, 1u);
}

TEST(Tokens, DateTimeTicksAreThreeHundredthsRounded) {
    using namespace std::chrono;
    const TimePoint epoch = sys_days(year(1900) / January / 1);
    EXPECT_EQ(ToDateTime(epoch), (DateTimeValue{0, 0}));
    EXPECT_EQ(ToDateTime(epoch + days(1) + seconds(1) + milliseconds(3)), (DateTimeValue{1, 301}));
    EXPECT_EQ(ToDateTime(epoch + days(2) - milliseconds(1)), (DateTimeValue{2, 0})) << "rounds into the next day";
    EXPECT_EQ(ToDateTime(sys_days(year(2024) / May / 1) + hours(12)), (DateTimeValue{45411, 12 * 3600 * 300}));
}

}  // namespace
}  // namespace qz::engine
