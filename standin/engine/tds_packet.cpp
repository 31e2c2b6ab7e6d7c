#include "tds_packet.h"

#include <algorithm>

namespace qz::engine::tds {

PacketHeader ReadPacketHeader(ByteView bytes)
{
    ByteReader in(bytes);
    PacketHeader header;
    header.type = in.U8();
    header.status = in.U8();
    header.length = in.U16BE();
    header.process_id = in.U16BE();
    header.packet_id = in.U8();
    header.window = in.U8();
    if (header.length < kHeaderSize)
        throw ProtocolError("packet length shorter than its header");
    return header;
}

void WritePacketHeader(ByteWriter &out, const PacketHeader &header)
{
    out.U8(header.type);
    out.U8(header.status);
    out.U16BE(header.length);
    out.U16BE(header.process_id);
    out.U8(header.packet_id);
    out.U8(header.window);
}

std::vector<Bytes> SplitIntoPackets(PacketType type, ByteView payload, std::uint32_t packet_size)
{
    const std::size_t room = std::max<std::size_t>(packet_size, kMinPacketSize) - kHeaderSize;
    std::vector<Bytes> packets;
    std::size_t offset = 0;
    std::uint8_t packet_id = 1;
    do {
        std::size_t chunk = std::min(room, payload.size() - offset);
        bool last = offset + chunk == payload.size();
        PacketHeader header;
        header.type = static_cast<std::uint8_t>(type);
        header.status = last ? kStatusEndOfMessage : 0;
        header.length = static_cast<std::uint16_t>(kHeaderSize + chunk);
        header.process_id = kServerProcessId;
        header.packet_id = packet_id++;
        ByteWriter out;
        WritePacketHeader(out, header);
        out.Append(payload.subspan(offset, chunk));
        packets.push_back(out.Take());
        offset += chunk;
    } while (offset < payload.size());
    return packets;
}

std::optional<Message> MessageAssembler::Add(ByteView packet)
{
    PacketHeader header = ReadPacketHeader(packet);
    if (header.length != packet.size())
        throw ProtocolError("packet length field disagrees with the packet");
    ByteView body = packet.subspan(kHeaderSize);

    if (header.type == static_cast<std::uint8_t>(PacketType::Attention)) {
        partial_.reset();
        Message attention;
        attention.type = header.type;
        return attention;
    }

    if (!partial_) {
        partial_.emplace();
        partial_->type = header.type;
        partial_->reset_connection =
            (header.status & (kStatusResetConnection | kStatusResetConnectionKeepTransaction)) != 0;
    } else if (partial_->type != header.type) {
        throw ProtocolError("packet of another type inside a message");
    }
    if (partial_->payload.size() + body.size() > kMaxMessageSize)
        throw ProtocolError("request larger than the engine accepts");
    if (!partial_->ignored)
        partial_->payload.insert(partial_->payload.end(), body.begin(), body.end());

    if (header.status & kStatusIgnore) {
        // The client withdrew the message: nothing of it is kept, and the end
        // of it is answered (by the caller) with a plain DONE.
        partial_->payload.clear();
        partial_->ignored = true;
    }
    if (!(header.status & kStatusEndOfMessage))
        return std::nullopt;
    Message done = std::move(*partial_);
    partial_.reset();
    return done;
}

}  // namespace qz::engine::tds
