// Arbitrary bytes into the stand-in engine's TDS decoders: the packet framing
// of a connection (headers, packets joined into messages), PRELOGIN, LOGIN7
// in each version's layout, SQL batches with and without ALL_HEADERS, and the
// statement parser behind them. ProtocolError is the one allowed failure;
// anything else (a crash, a sanitizer report, another exception) is a bug.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bytes.h"
#include "packet_channel.h"
#include "statement.h"
#include "tds_batch.h"
#include "tds_constants.h"
#include "tds_login7.h"
#include "tds_packet.h"
#include "tds_prelogin.h"

namespace {

using namespace qz::engine;

constexpr std::uint32_t kVersions[] = {tds::kVersion71, tds::kVersion72, tds::kVersion73A, tds::kVersion73B,
                                       tds::kVersion74};

// Inputs larger than this are skipped: they all go into one socket buffer.
constexpr std::size_t kLargestInput = 128 * 1024;

[[noreturn]] void Violation(const char *what)
{
    std::fprintf(stderr, "fuzz_tds_decoder: %s\n", what);
    std::abort();
}

void Batch(ByteView payload, std::uint32_t version)
{
    try {
        (void)ParseStatement(tds::SqlBatchText(payload, version));
    } catch (const ProtocolError &) {
    }
}

void Login(ByteView payload)
{
    try {
        const tds::Login7 login = tds::ParseLogin7(payload);
        (void)login;
    } catch (const ProtocolError &) {
    }
}

void PreLogin(ByteView payload)
{
    tds::PreLoginRequest request;
    try {
        request = tds::ParsePreLogin(payload);
    } catch (const ProtocolError &) {
        return;
    }
    // The engine's answer must read back with its own parser.
    const Bytes reply = tds::PreLoginReply(request);
    try {
        if (tds::ParsePreLogin(reply).mars_offered != request.mars_offered)
            Violation("the PRELOGIN answer lost or invented the MARS option");
    } catch (const ProtocolError &) {
        Violation("the engine's PRELOGIN answer does not read back");
    }
}

// One decoded request, as a connection would take it.
void Decode(const tds::Message &message)
{
    if (message.ignored && !message.payload.empty())
        Violation("a withdrawn message kept its payload");
    if (message.Is(tds::PacketType::PreLogin)) {
        PreLogin(message.payload);
    } else if (message.Is(tds::PacketType::Login7)) {
        Login(message.payload);
    } else if (message.Is(tds::PacketType::SqlBatch)) {
        for (std::uint32_t version : kVersions)
            Batch(message.payload, version);
    }
}

// The bytes as a client's stream on a socket: whole packets read by the
// connection's PacketChannel and joined by a MessageAssembler, until the
// stream ends or breaks the protocol (which closes a real connection).
void Stream(ByteView input)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        Violation("no socket pair");
    int buffer = static_cast<int>(2 * kLargestInput + 4096);
    ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    ::setsockopt(fds[1], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    std::size_t done = 0;
    while (done < input.size()) {
        ssize_t put = ::send(fds[0], input.data() + done, input.size() - done, MSG_NOSIGNAL);
        if (put <= 0)
            Violation("the socket pair took less than the input");
        done += static_cast<std::size_t>(put);
    }
    ::shutdown(fds[0], SHUT_WR);

    PacketChannel channel(fds[1]);
    tds::MessageAssembler assembler;
    try {
        Bytes packet;
        while (channel.Read(packet, std::nullopt) == PacketChannel::Status::Packet) {
            if (auto message = assembler.Add(packet))
                Decode(*message);
        }
    } catch (const ProtocolError &) {
    }
    ::close(fds[0]);
    ::close(fds[1]);
}

// Splitting a payload into reply packets and joining them again gives it back.
void SplitAndJoin(ByteView input)
{
    if (input.size() < 2)
        return;
    const std::uint32_t packet_size = static_cast<std::uint32_t>(input[0] | (input[1] << 8));
    const ByteView payload = input.subspan(2);
    const std::vector<Bytes> packets = tds::SplitIntoPackets(tds::PacketType::SqlBatch, payload, packet_size);
    tds::MessageAssembler assembler;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        std::optional<tds::Message> message;
        try {
            message = assembler.Add(packets[i]);
        } catch (const ProtocolError &) {
            if (payload.size() <= tds::MessageAssembler::kMaxMessageSize)
                Violation("the engine's own packets do not join");
            return;
        }
        if (message.has_value() != (i + 1 == packets.size()))
            Violation("a message ended at the wrong packet");
        if (message && !std::equal(message->payload.begin(), message->payload.end(), payload.begin(),
                                   payload.end()))
            Violation("split and joined packets changed the payload");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > kLargestInput)
        return -1;
    const ByteView input(data, size);

    // The framing, and behind it each request type.
    Stream(input);

    // Each decoder on the raw bytes as a message's payload.
    PreLogin(input);
    Login(input);
    if (size >= 8) {
        // The same record in each version's layout.
        Bytes record(input.begin(), input.end());
        for (std::uint32_t version : kVersions) {
            std::memcpy(record.data() + 4, &version, sizeof version);  // little-endian hosts
            Login(record);
        }
    }
    for (std::uint32_t version : kVersions)
        Batch(input, version);
    (void)tds::DecodePassword(input);
    try {
        (void)tds::ReadPacketHeader(input);
    } catch (const ProtocolError &) {
    }
    SplitAndJoin(input);
    return 0;
}
