#include "test_support.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>

#include "text.h"

namespace qz::engine::testing {
namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("qzengine-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::vector<std::string> FilesBelow(const fs::path &folder) {
    std::vector<std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void WriteFile(const fs::path &file, const Bytes &bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << file;
}

Bytes ReadFile(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const fs::path &file) {
    Bytes bytes = ReadFile(file);
    return std::string(bytes.begin(), bytes.end());
}

namespace {

void PutU16(Bytes &out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(Bytes &out, std::uint32_t v) {
    PutU16(out, static_cast<std::uint16_t>(v));
    PutU16(out, static_cast<std::uint16_t>(v >> 16));
}

void SetU16(Bytes &out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

Bytes Ucs2(std::string_view text) {
    Bytes out;
    for (char16_t unit : Utf8ToUtf16(text))
        PutU16(out, unit);
    return out;
}

}  // namespace

Bytes Login7Payload(const LoginRequest &request) {
    const bool wide = (request.tds_version >> 24) >= 0x72;
    const std::size_t fixed = wide ? 94 : 86;
    Bytes out(fixed, 0);
    SetU16(out, 4, static_cast<std::uint16_t>(request.tds_version));
    SetU16(out, 6, static_cast<std::uint16_t>(request.tds_version >> 16));
    SetU16(out, 8, static_cast<std::uint16_t>(request.packet_size));
    SetU16(out, 10, static_cast<std::uint16_t>(request.packet_size >> 16));
    out[24] = 0xF0;
    out[25] = static_cast<std::uint8_t>(0x03 | (request.integrated_security ? 0x80 : 0));
    Bytes password = Ucs2(request.password);
    for (std::uint8_t &b : password)
        b = static_cast<std::uint8_t>(((b << 4) | (b >> 4)) ^ 0xA5);
    const std::pair<std::size_t, Bytes> strings[] = {
        {36, Ucs2("testhost")}, {40, Ucs2(request.user)},   {44, password},
        {48, Ucs2("tests")},    {52, Ucs2("127.0.0.1")},    {60, Ucs2("ODBC")},
        {64, Ucs2("")},         {68, Ucs2(request.database)},
    };
    for (const auto &[at, bytes] : strings) {
        SetU16(out, at, static_cast<std::uint16_t>(out.size()));
        SetU16(out, at + 2, static_cast<std::uint16_t>(bytes.size() / 2));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    SetU16(out, 0, static_cast<std::uint16_t>(out.size()));
    return out;
}

Bytes PreLoginPayload(bool with_mars) {
    // VERSION 9.0.0.0, ENCRYPTION off, INSTOPT "MSSQLServer", THREADID, [MARS 0]
    const std::vector<std::pair<std::uint8_t, Bytes>> options = [&] {
        std::vector<std::pair<std::uint8_t, Bytes>> list = {
            {0x00, {9, 0, 0, 0, 0, 0}},
            {0x01, {0x00}},
            {0x02, {'M', 'S', 'S', 'Q', 'L', 'S', 'e', 'r', 'v', 'e', 'r', 0}},
            {0x03, {1, 2, 3, 4}},
        };
        if (with_mars)
            list.push_back({0x04, {0x00}});
        return list;
    }();
    Bytes out;
    std::size_t offset = options.size() * 5 + 1;
    for (const auto &[token, data] : options) {
        out.push_back(token);
        out.push_back(static_cast<std::uint8_t>(offset >> 8));
        out.push_back(static_cast<std::uint8_t>(offset));
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(data.size()));
        offset += data.size();
    }
    out.push_back(0xFF);
    for (const auto &option : options)
        out.insert(out.end(), option.second.begin(), option.second.end());
    return out;
}

Bytes SqlBatchPayload(std::uint32_t tds_version, std::string_view sql) {
    Bytes out;
    if ((tds_version >> 24) >= 0x72) {
        PutU32(out, 22);  // total length
        PutU32(out, 18);  // this header's length
        PutU16(out, 2);   // transaction descriptor
        for (int i = 0; i < 8; ++i)
            out.push_back(0);
        PutU32(out, 1);  // outstanding requests
    }
    Bytes text = Ucs2(sql);
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

Bytes Packets(tds::PacketType type, const Bytes &payload, std::size_t packet_size, std::uint8_t last_status) {
    Bytes out;
    std::size_t room = packet_size - 8;
    std::size_t offset = 0;
    std::uint8_t number = 1;
    do {
        std::size_t chunk = std::min(room, payload.size() - offset);
        bool last = offset + chunk == payload.size();
        std::size_t length = chunk + 8;
        const std::uint8_t header[] = {static_cast<std::uint8_t>(type),
                                       static_cast<std::uint8_t>(last ? last_status : 0),
                                       static_cast<std::uint8_t>(length >> 8),
                                       static_cast<std::uint8_t>(length),
                                       0,
                                       0,
                                       number++,
                                       0};
        out.insert(out.end(), std::begin(header), std::end(header));
        out.insert(out.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                   payload.begin() + static_cast<std::ptrdiff_t>(offset + chunk));
        offset += chunk;
    } while (offset < payload.size());
    return out;
}

Bytes AttentionPacket() { return {0x06, 0x01, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00}; }

namespace {

// Reads tokens; any overrun throws ProtocolError, which DecodeTokens turns
// into a test failure.
class Decoder {
public:
    Decoder(ByteView bytes, std::uint32_t version) : in_(bytes), wide_((version >> 24) >= 0x72) {}

    std::vector<Token> Run() {
        std::vector<Token> tokens;
        while (in_.Remaining() > 0)
            tokens.push_back(Next());
        return tokens;
    }

private:
    std::string Text(std::size_t chars) { return Utf16ToUtf8(Utf16FromLE(in_.Take(2 * chars))); }
    std::string ByteText() { return Text(in_.U8()); }

    Token Next() {
        Token token;
        token.type = in_.U8();
        switch (static_cast<tds::Token>(token.type)) {
        case tds::Token::Done:
            token.status = in_.U16LE();
            token.command = in_.U16LE();
            token.count = wide_ ? in_.U64LE() : in_.U32LE();
            break;
        case tds::Token::Error:
        case tds::Token::Info: {
            std::size_t length = in_.U16LE();
            std::size_t start = in_.Position();
            token.number = static_cast<std::int32_t>(in_.U32LE());
            token.state = in_.U8();
            token.severity = in_.U8();
            token.text = Text(in_.U16LE());
            token.server = ByteText();
            ByteText();  // procedure
            token.line = wide_ ? in_.U32LE() : in_.U16LE();
            EXPECT_EQ(length, in_.Position() - start) << "message token length";
            break;
        }
        case tds::Token::EnvChange: {
            std::size_t length = in_.U16LE();
            std::size_t start = in_.Position();
            token.env_type = in_.U8();
            token.new_value = ByteText();
            token.old_value = ByteText();
            EXPECT_EQ(length, in_.Position() - start) << "ENVCHANGE length";
            break;
        }
        case tds::Token::LoginAck: {
            std::size_t length = in_.U16LE();
            token.interface = in_.U8();
            token.version = in_.U32BE();
            token.product = ByteText();
            token.product_version = in_.U32BE();
            EXPECT_EQ(length, 10 + 2 * Utf8ToUtf16(token.product).size()) << "LOGINACK length";
            break;
        }
        case tds::Token::ColMetadata: {
            std::size_t count = in_.U16LE();
            columns_.clear();
            for (std::size_t i = 0; i < count; ++i) {
                in_.Skip(wide_ ? 4 : 2);  // user type
                in_.U16LE();              // flags
                std::uint8_t type = in_.U8();
                if (type == 0xE7)
                    in_.Skip(2 + 5);  // max length, collation
                else if (type == 0xA5)
                    in_.Skip(2);
                columns_.push_back({type, ByteText()});
            }
            token.columns = columns_;
            break;
        }
        case tds::Token::Row:
            for (const auto &column : columns_)
                token.values.push_back(Value(column.first));
            break;
        default:
            throw ProtocolError("unknown token " + std::to_string(token.type));
        }
        return token;
    }

    std::string Value(std::uint8_t type) {
        auto integer = [&](std::size_t size) {
            std::int64_t v = 0;
            for (std::size_t i = 0; i < size; ++i)
                v |= static_cast<std::int64_t>(in_.U8()) << (8 * i);
            if (size < 8 && (v >> (8 * size - 1)) & 1 && size > 1)
                v -= std::int64_t{1} << (8 * size);
            return std::to_string(v);
        };
        switch (type) {
        case 0x30: return integer(1);
        case 0x34: return integer(2);
        case 0x38: return integer(4);
        case 0x3D: {
            std::string days = integer(4);
            return days + "/" + std::to_string(in_.U32LE());
        }
        case 0xE7: {
            std::uint16_t bytes = in_.U16LE();
            return bytes == 0xFFFF ? "NULL" : Text(bytes / 2);
        }
        case 0xA5: {
            std::uint16_t bytes = in_.U16LE();
            if (bytes == 0xFFFF)
                return "NULL";
            std::string hex = "0x";
            for (std::uint8_t b : in_.Take(bytes)) {
                const char digits[] = "0123456789ABCDEF";
                hex += digits[b >> 4];
                hex += digits[b & 0xF];
            }
            return hex;
        }
        default: throw ProtocolError("unknown column type");
        }
    }

    ByteReader in_;
    bool wide_;
    std::vector<std::pair<std::uint8_t, std::string>> columns_;
};

}  // namespace

std::vector<Token> DecodeTokens(ByteView reply, std::uint32_t tds_version) {
    try {
        return Decoder(reply, tds_version).Run();
    } catch (const ProtocolError &error) {
        ADD_FAILURE() << "reply cannot be decoded: " << error.what();
        return {};
    }
}

bool IsToken(const Token &token, tds::Token type) { return token.type == static_cast<std::uint8_t>(type); }

void TestClient::Send(const Bytes &bytes) {
    ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

bool TestClient::ReadExactly(std::uint8_t *into, std::size_t count, std::chrono::steady_clock::time_point deadline) {
    std::size_t done = 0;
    while (done < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watch{fd_, POLLIN, 0};
        if (::poll(&watch, 1, static_cast<int>(left.count())) <= 0)
            continue;
        ssize_t got = ::recv(fd_, into + done, count - done, 0);
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

std::optional<Bytes> TestClient::ReadReply(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    headers_.clear();
    Bytes payload;
    for (;;) {
        Bytes header(8);
        if (!ReadExactly(header.data(), header.size(), deadline))
            return std::nullopt;
        headers_.push_back(header);
        std::size_t length = (header[2] << 8) | header[3];
        if (length < 8)
            return std::nullopt;
        Bytes body(length - 8);
        if (!ReadExactly(body.data(), body.size(), deadline))
            return std::nullopt;
        payload.insert(payload.end(), body.begin(), body.end());
        if (header[1] & 0x01)
            return payload;
    }
}

bool TestClient::WaitForClose(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::uint8_t byte;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd watch{fd_, POLLIN, 0};
        if (::poll(&watch, 1, 50) <= 0)
            continue;
        if (::recv(fd_, &byte, 1, 0) <= 0)
            return true;
    }
    return false;
}

}  // namespace qz::engine::testing
