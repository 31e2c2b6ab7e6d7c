#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "bytes.h"
#include "tds_constants.h"

namespace qz::engine::tds {

struct PacketHeader {
    std::uint8_t type = 0;
    std::uint8_t status = 0;
    std::uint16_t length = 0;  // header included
    std::uint16_t process_id = 0;
    std::uint8_t packet_id = 0;
    std::uint8_t window = 0;
};

// Reads the first kHeaderSize bytes; throws ProtocolError when the length
// cannot even hold the header.
PacketHeader ReadPacketHeader(ByteView bytes);
void WritePacketHeader(ByteWriter &out, const PacketHeader &header);

// A reply message cut into packets of at most packet_size bytes each (header
// included), numbered from 1; only the last carries end-of-message. An empty
// message is one header-only packet.
std::vector<Bytes> SplitIntoPackets(PacketType type, ByteView payload, std::uint32_t packet_size);

// One request: the payloads of its packets joined.
struct Message {
    std::uint8_t type = 0;
    Bytes payload;
    // The client ended the message with the ignore bit: it withdrew it.
    bool ignored = false;
    bool reset_connection = false;

    bool Is(PacketType t) const { return type == static_cast<std::uint8_t>(t); }
};

// Joins packets into messages. An attention packet stands alone and drops
// whatever partial message came before it.
class MessageAssembler {
public:
    // Largest request accepted; the launcher's statements are far smaller.
    static constexpr std::size_t kMaxMessageSize = 4 * 1024 * 1024;

    // Takes one whole packet (header included); returns the message it ends.
    std::optional<Message> Add(ByteView packet);

private:
    std::optional<Message> partial_;
};

}  // namespace qz::engine::tds
