#include "connection.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <string>

#include "messages.h"
#include "statement.h"
#include "tds_batch.h"
#include "tds_constants.h"
#include "tds_login7.h"
#include "tds_prelogin.h"
#include "tds_tokens.h"

namespace qz::engine {
namespace {

using tds::PacketType;

constexpr std::string_view kLoginDatabaseBefore = "master";

bool IsConnectionSetup(const Statement &statement)
{
    return std::holds_alternative<ConnectionSetting>(statement) || std::holds_alternative<EmptyBatch>(statement);
}

std::uint64_t NextConnectionNumber()
{
    static std::atomic<std::uint64_t> next{1};
    return next++;
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// "ok", "ok, 1 row" or "error 3702: Cannot drop ...", for the log.
std::string Summary(const StatementResult &result)
{
    for (const ServerMessage &message : result.messages) {
        if (message.IsError())
            return "error " + std::to_string(message.number) + ": " + message.text;
    }
    if (result.failed)
        return "failed";
    if (result.result_set)
        return "ok, " + std::to_string(result.result_set->rows.size()) + " row(s)";
    return "ok";
}

}  // namespace

std::optional<std::uint32_t> NegotiateVersion(std::uint32_t client_version)
{
    switch (client_version) {
    case tds::kVersion71:
    case tds::kVersion72:
    case tds::kVersion73A:
    case tds::kVersion73B:
    case tds::kVersion74: return client_version;
    default: break;
    }
    std::uint8_t generation = tds::Generation(client_version);
    if (generation < tds::kGeneration71)
        return std::nullopt;
    if (generation >= tds::kGeneration74)
        return tds::kVersion74;
    if (generation >= tds::Generation(tds::kVersion73B))
        return tds::kVersion73B;
    if (generation >= tds::kGeneration72)
        return tds::kVersion72;
    return tds::kVersion71;
}

std::uint32_t NegotiatePacketSize(std::uint32_t requested)
{
    if (requested == 0)
        return tds::kDefaultPacketSize;
    return std::clamp(requested, tds::kMinPacketSize, tds::kMaxPacketSize);
}

Connection::Connection(int fd, Engine &engine, EngineLog &log, Delays delays)
    : channel_(fd), engine_(engine), log_(log), delays_(delays), number_(NextConnectionNumber())
{
    log_.Event(number_, "connected");
}

Connection::~Connection()
{
    if (client_id_)
        engine_.Logout(*client_id_);
}

void Connection::Run()
{
    try {
        if (LogIn())
            Serve();
    } catch (const ProtocolError &error) {
        log_.Event(number_, std::string("closed on a protocol error: ") + error.what());
        std::cerr << "qzengine: connection closed: " << error.what() << '\n';
    } catch (const std::exception &error) {
        log_.Event(number_, std::string("failed: ") + error.what());
        std::cerr << "qzengine: connection failed: " << error.what() << '\n';
    }
    log_.Event(number_, "ends");
    // A refused login, a protocol error or a client that left: either way
    // the client must see the connection end now.
    channel_.Shutdown();
}

Connection::Next Connection::NextMessage(tds::Message &message, std::optional<Clock::time_point> deadline)
{
    if (pending_.empty())
        return ReadMessage(message, deadline);
    message = std::move(pending_.front());
    pending_.pop_front();
    return Next::Message;
}

Connection::Next Connection::ReadMessage(tds::Message &message, std::optional<Clock::time_point> deadline)
{
    for (;;) {
        Bytes packet;
        switch (channel_.Read(packet, deadline)) {
        case PacketChannel::Status::Timeout: return Next::Timeout;
        case PacketChannel::Status::Closed: return Next::Closed;
        case PacketChannel::Status::Packet: break;
        }
        if (auto complete = assembler_.Add(packet)) {
            message = std::move(*complete);
            return Next::Message;
        }
    }
}

Connection::WaitOutcome Connection::WaitWatchingSocket(std::chrono::milliseconds delay)
{
    const Clock::time_point deadline = Clock::now() + delay;
    for (;;) {
        tds::Message message;
        switch (ReadMessage(message, deadline)) {
        case Next::Timeout: return WaitOutcome::Elapsed;
        case Next::Closed: return WaitOutcome::Closed;
        case Next::Message: break;
        }
        if (message.Is(PacketType::Attention))
            return WaitOutcome::Attention;
        pending_.push_back(std::move(message));
    }
}

bool Connection::SendReply(ByteView tokens, std::uint32_t packet_size)
{
    Bytes wire;
    for (const Bytes &packet : tds::SplitIntoPackets(PacketType::Reply, tokens, packet_size))
        wire.insert(wire.end(), packet.begin(), packet.end());
    return channel_.Send(wire);
}

bool Connection::SendDone(std::uint16_t status)
{
    tds::TokenWriter writer(version_);
    writer.Done(status, tds::kCommandNone, 0);
    return SendReply(writer.Take(), packet_size_);
}

bool Connection::SendStatementResult(const StatementResult &result)
{
    tds::TokenWriter writer(version_);
    tds::WriteStatementResult(writer, result);
    return SendReply(writer.Take(), packet_size_);
}

bool Connection::LogIn()
{
    tds::Message message;
    if (NextMessage(message, std::nullopt) != Next::Message) {
        log_.Event(number_, "the client left before its login");
        return false;
    }
    if (message.Is(PacketType::PreLogin)) {
        Bytes reply = tds::PreLoginReply(tds::ParsePreLogin(message.payload));
        if (!SendReply(reply, tds::kDefaultPacketSize))
            return false;
        if (NextMessage(message, std::nullopt) != Next::Message) {
            log_.Event(number_, "the client left after PRELOGIN");
            return false;
        }
    }
    if (!message.Is(PacketType::Login7))
        throw ProtocolError("expected a LOGIN7 request");
    const tds::Login7 login = tds::ParseLogin7(message.payload);

    log_.Event(number_, "login of user '" + login.user_name + "' to database '" + login.database + "', TDS " +
                            Hex(login.tds_version));

    // The client gives up after its login time-out and closes the socket.
    if (delays_.login.count() > 0) {
        log_.Event(number_, "login stalls " + std::to_string(delays_.login.count()) + " ms");
        if (WaitWatchingSocket(delays_.login) != WaitOutcome::Elapsed) {
            log_.Event(number_, "the client gave up during the login stall");
            return false;
        }
    }

    std::optional<std::uint32_t> version = NegotiateVersion(login.tds_version);
    version_ = version.value_or(tds::kVersion71);
    tds::TokenWriter writer(version_);
    LoginOutcome outcome;
    if (!version) {
        outcome.messages.push_back(messages::LoginFailed(login.user_name));
        outcome.refusal = "TDS version older than 7.1";
    } else if (login.integrated_security) {
        outcome.messages.push_back(messages::UntrustedLoginFailed());
        outcome.refusal = "integrated security asked for";
    } else {
        outcome = engine_.Login(login.user_name, login.password, login.database);
    }

    if (!outcome.client) {
        log_.Event(number_, "login refused: " + outcome.refusal);
        for (const ServerMessage &refusal : outcome.messages)
            writer.Error(refusal);
        writer.Done(tds::kDoneError, tds::kCommandNone, 0);
        SendReply(writer.Take(), tds::kDefaultPacketSize);
        return false;
    }
    client_id_ = outcome.client;
    const std::uint32_t packet_size = NegotiatePacketSize(login.packet_size);
    writer.EnvChange(tds::EnvChange::Database, outcome.database, kLoginDatabaseBefore);
    writer.LoginAck(version_);
    writer.EnvChange(tds::EnvChange::PacketSize, std::to_string(packet_size), std::to_string(tds::kDefaultPacketSize));
    writer.Done(tds::kDoneFinal, tds::kCommandNone, 0);
    // The new size holds from the next message on.
    if (!SendReply(writer.Take(), tds::kDefaultPacketSize)) {
        log_.Event(number_, "login accepted, but the reply could not be sent");
        return false;
    }
    log_.Event(number_, "login accepted: database '" + outcome.database + "'");
    packet_size_ = packet_size;
    return true;
}

void Connection::Serve()
{
    for (;;) {
        tds::Message message;
        if (NextMessage(message, std::nullopt) != Next::Message) {
            log_.Event(number_, "the client closed the connection");
            return;
        }
        bool open = true;
        if (message.ignored) {
            open = SendDone(tds::kDoneFinal);
        } else if (message.Is(PacketType::Attention)) {
            // Also when the statement it meant has long been answered: the
            // client waits for this acknowledgement either way.
            log_.Event(number_, "attention after the reply");
            open = SendDone(tds::kDoneAttention);
        } else if (message.Is(PacketType::SqlBatch)) {
            open = HandleBatch(message);
        } else if (message.Is(PacketType::Rpc) || message.Is(PacketType::TransactionManager)) {
            StatementResult refused;
            refused.messages.push_back(messages::RequestNotSupported());
            refused.failed = true;
            open = SendStatementResult(refused);
        } else {
            throw ProtocolError("unexpected request type " + std::to_string(message.type));
        }
        if (!open)
            return;
    }
}

bool Connection::HandleBatch(const tds::Message &message)
{
    const std::string text = tds::SqlBatchText(message.payload, version_);
    log_.Batch(number_, text);
    const Statement statement = ParseStatement(text);
    if (delays_.close_on_restore && std::holds_alternative<RestoreDatabase>(statement)) {
        log_.Event(number_, "the restore closes the connection, as told");
        return false;
    }
    if (delays_.statement.count() > 0 && !IsConnectionSetup(statement)) {
        log_.Event(number_, "the statement stalls " + std::to_string(delays_.statement.count()) + " ms");
        switch (WaitWatchingSocket(delays_.statement)) {
        case WaitOutcome::Elapsed: break;
        case WaitOutcome::Attention:
            log_.Event(number_, "attention during the stall: the statement is cancelled");
            return SendDone(tds::kDoneAttention);
        case WaitOutcome::Closed: log_.Event(number_, "the client left during the stall"); return false;
        }
    }
    const StatementResult result = engine_.Execute(*client_id_, statement);
    log_.Event(number_, "answered: " + Summary(result));
    return SendStatementResult(result);
}

}  // namespace qz::engine
