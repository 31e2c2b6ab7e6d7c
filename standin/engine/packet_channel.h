#pragma once

#include <chrono>
#include <optional>

#include "bytes.h"

namespace qz::engine {

using Clock = std::chrono::steady_clock;

// Whole TDS packets read from, and bytes written to, a connected socket. The
// socket is borrowed: whoever accepted it closes it.
class PacketChannel {
public:
    enum class Status { Packet, Timeout, Closed };

    explicit PacketChannel(int fd) : fd_(fd) {}

    // Waits for the next whole packet until `deadline` (none: for as long as
    // it takes). Closed: the peer left or the socket was shut down. Throws
    // ProtocolError on a packet whose length cannot be right.
    Status Read(Bytes &packet, std::optional<Clock::time_point> deadline);

    // False when the peer is gone.
    bool Send(ByteView bytes);

    // Ends the conversation: the peer reads end-of-file at once, while the
    // descriptor stays open for its owner to close.
    void Shutdown();

private:
    bool TakeBufferedPacket(Bytes &packet);

    int fd_;
    Bytes buffer_;
};

}  // namespace qz::engine
