#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes.h"
#include "tds_constants.h"

namespace qz::engine::testing {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    ~TempFolder();

    const std::filesystem::path &Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Every file below a folder, relative to it, sorted.
std::vector<std::string> FilesBelow(const std::filesystem::path &folder);

void WriteFile(const std::filesystem::path &file, const Bytes &bytes);
Bytes ReadFile(const std::filesystem::path &file);
std::string ReadText(const std::filesystem::path &file);

// Requests as a client builds them, written independently of the engine's
// own code (with the protocol's literal values, on purpose) so that the two
// check each other.
struct LoginRequest {
    std::uint32_t tds_version = tds::kVersion74;
    std::uint32_t packet_size = 4096;
    std::string user = "sa";
    std::string password;
    std::string database;
    bool integrated_security = false;
};
Bytes Login7Payload(const LoginRequest &request);
Bytes PreLoginPayload(bool with_mars);
// A SQL batch payload; ALL_HEADERS first from TDS 7.2 on.
Bytes SqlBatchPayload(std::uint32_t tds_version, std::string_view sql);
// A whole message as packets of at most packet_size bytes.
Bytes Packets(tds::PacketType type, const Bytes &payload, std::size_t packet_size = 4096,
              std::uint8_t last_status = tds::kStatusEndOfMessage);
Bytes AttentionPacket();

// One decoded reply token; only the fields of its type are set.
struct Token {
    std::uint8_t type = 0;
    // DONE
    std::uint16_t status = 0;
    std::uint16_t command = 0;
    std::uint64_t count = 0;
    // ERROR and INFO
    std::int32_t number = 0;
    std::uint8_t state = 0;
    std::uint8_t severity = 0;
    std::string text;
    std::string server;
    std::uint32_t line = 0;
    // ENVCHANGE
    std::uint8_t env_type = 0;
    std::string new_value;
    std::string old_value;
    // LOGINACK
    std::uint8_t interface = 0;
    std::uint32_t version = 0;
    std::string product;
    std::uint32_t product_version = 0;
    // COLMETADATA: each column's data type and name; ROW: each value as text
    std::vector<std::pair<std::uint8_t, std::string>> columns;
    std::vector<std::string> values;
};

// Decodes a reply message in the layout of `tds_version`; fails the current
// test (and returns what it has) on bytes it cannot read.
std::vector<Token> DecodeTokens(ByteView reply, std::uint32_t tds_version);

bool IsToken(const Token &token, tds::Token type);

// The client end of a connection, with every read bounded in time.
class TestClient {
public:
    explicit TestClient(int fd) : fd_(fd) {}

    void Send(const Bytes &bytes);
    // The payload of the next whole reply message, or nothing when none
    // arrives in time or the connection closes. Keeps each packet's header.
    std::optional<Bytes> ReadReply(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // True when the server closes the connection within the time.
    bool WaitForClose(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    const std::vector<Bytes> &LastPacketHeaders() const { return headers_; }

private:
    bool ReadExactly(std::uint8_t *into, std::size_t count, std::chrono::steady_clock::time_point deadline);

    int fd_;
    std::vector<Bytes> headers_;
};

}  // namespace qz::engine::testing
