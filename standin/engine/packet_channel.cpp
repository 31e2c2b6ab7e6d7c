#include "packet_channel.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "tds_packet.h"

namespace qz::engine {

bool PacketChannel::TakeBufferedPacket(Bytes &packet)
{
    if (buffer_.size() < tds::kHeaderSize)
        return false;
    std::size_t length = tds::ReadPacketHeader(buffer_).length;
    if (buffer_.size() < length)
        return false;
    packet.assign(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
    return true;
}

PacketChannel::Status PacketChannel::Read(Bytes &packet, std::optional<Clock::time_point> deadline)
{
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
        if (TakeBufferedPacket(packet))
            return Status::Packet;
        int timeout_ms = -1;
        if (deadline) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
            if (left.count() <= 0)
                return Status::Timeout;
            timeout_ms = static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), 60'000));
        }
        pollfd watch{fd_, POLLIN, 0};
        int ready = ::poll(&watch, 1, timeout_ms);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Status::Closed;
        if (ready == 0)
            continue;  // the deadline is checked at the top
        std::uint8_t chunk[kChunk];
        ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return Status::Closed;
        buffer_.insert(buffer_.end(), chunk, chunk + got);
    }
}

bool PacketChannel::Send(ByteView bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

void PacketChannel::Shutdown()
{
    ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace qz::engine
