#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

#include "engine_log.h"
#include "engine.h"
#include "packet_channel.h"
#include "tds_packet.h"

namespace qz::engine {

// Artificial delays, to let clients run into their time-outs. Each is spent
// watching the socket, so that an attention packet cuts it short.
struct Delays {
    // Before each statement is carried out (not before the SET batches a
    // driver sends while connecting). Zero: none.
    std::chrono::milliseconds statement{0};
    // Before the login is answered. Zero: none.
    std::chrono::milliseconds login{0};
    // Drop the connection when a restore arrives, without carrying it out.
    bool close_on_restore = false;
};

// One client connection: PRELOGIN, LOGIN7, then SQL batches and attention
// packets until the client leaves. Runs on its own thread; never throws.
class Connection {
public:
    Connection(int fd, Engine &engine, EngineLog &log, Delays delays);
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection();

    void Run();

private:
    enum class Next { Message, Timeout, Closed };
    enum class WaitOutcome { Elapsed, Attention, Closed };

    // The next request: one kept back during a wait, or else a new one.
    Next NextMessage(tds::Message &message, std::optional<Clock::time_point> deadline);
    // The next request from the socket.
    Next ReadMessage(tds::Message &message, std::optional<Clock::time_point> deadline);
    // Spends `delay` reading the socket; an attention packet ends it early,
    // other requests are kept for later.
    WaitOutcome WaitWatchingSocket(std::chrono::milliseconds delay);

    bool LogIn();
    void Serve();
    // False when the connection is to end.
    bool HandleBatch(const tds::Message &message);
    bool SendDone(std::uint16_t status);
    bool SendStatementResult(const StatementResult &result);
    bool SendReply(ByteView tokens, std::uint32_t packet_size);

    PacketChannel channel_;
    Engine &engine_;
    EngineLog &log_;
    Delays delays_;
    tds::MessageAssembler assembler_;
    std::deque<tds::Message> pending_;
    std::optional<ClientId> client_id_;
    std::uint32_t version_ = 0;
    std::uint32_t packet_size_ = 0;
    std::uint64_t number_;  // in the engine's log
};

// The version both sides speak: the client's, at most 7.4; nothing for a
// client older than 7.1.
std::optional<std::uint32_t> NegotiateVersion(std::uint32_t client_version);
// The packet size the engine agrees to for the size a client asks for.
std::uint32_t NegotiatePacketSize(std::uint32_t requested);

}  // namespace qz::engine
