#include "backup_format.h"

#include <array>
#include <limits>

#include "text.h"

namespace qz::engine {
namespace {

constexpr std::string_view kMagic = "QZBACKUP";
constexpr std::uint16_t kFormatVersion = 1;
constexpr std::uint8_t kFileCount = 2;
constexpr std::size_t kChecksumSize = 4;

enum class FileKind : std::uint8_t { Data = 0, Log = 1 };

constexpr std::uint32_t kCrcPolynomial = 0xEDB88320;

std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < table.size(); ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? kCrcPolynomial ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

void WriteText(ByteWriter &out, std::string_view text)
{
    if (text.size() > std::numeric_limits<std::uint16_t>::max())
        throw std::length_error("name too long for a backup header");
    out.U16LE(static_cast<std::uint16_t>(text.size()));
    out.Append(ByteView(reinterpret_cast<const std::uint8_t *>(text.data()), text.size()));
}

std::string ReadText(ByteReader &in)
{
    ByteView bytes = in.Take(in.U16LE());
    return std::string(bytes.begin(), bytes.end());
}

struct FileHeader {
    FileKind kind;
    BackupFile file;
    std::uint64_t length;
};

// Parses what the checksum has vouched for; throws ProtocolError (used here
// for "malformed") on any inconsistency.
Backup Parse(ByteView body)
{
    ByteReader in(body);
    ByteView magic = in.Take(kMagic.size());
    if (std::string_view(reinterpret_cast<const char *>(magic.data()), magic.size()) != kMagic)
        throw ProtocolError("not a backup");
    if (in.U16LE() != kFormatVersion)
        throw ProtocolError("unknown backup format version");
    Backup backup;
    backup.database = ReadText(in);
    if (in.U8() != kFileCount)
        throw ProtocolError("a backup holds a data and a log file");
    std::array<FileHeader, kFileCount> headers;
    for (FileHeader &header : headers) {
        header.kind = static_cast<FileKind>(in.U8());
        header.file.logical_name = ReadText(in);
        header.file.original_path = ReadText(in);
        header.length = in.U64LE();
    }
    for (FileHeader &header : headers) {
        if (header.length > in.Remaining())
            throw ProtocolError("file contents beyond the backup");
        ByteView contents = in.Take(static_cast<std::size_t>(header.length));
        header.file.contents.assign(contents.begin(), contents.end());
    }
    if (in.Remaining() != 0)
        throw ProtocolError("bytes after the last file");
    if (headers[0].kind != FileKind::Data || headers[1].kind != FileKind::Log)
        throw ProtocolError("files not in the order data, log");
    if (backup.database.empty() || headers[0].file.logical_name.empty() || headers[1].file.logical_name.empty() ||
        EqualsIgnoringCase(headers[0].file.logical_name, headers[1].file.logical_name))
        throw ProtocolError("missing or duplicate names");
    backup.data = std::move(headers[0].file);
    backup.log = std::move(headers[1].file);
    return backup;
}

// A repeatable byte stream (xorshift32) to fill sample files.
Bytes SampleContents(std::string_view title, std::size_t size, std::uint32_t state)
{
    Bytes bytes(title.begin(), title.end());
    bytes.push_back('\n');
    while (bytes.size() < size) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes.push_back(static_cast<std::uint8_t>(state));
    }
    bytes.resize(size);
    return bytes;
}

constexpr std::size_t kSampleDataSize = 8192;
constexpr std::size_t kSampleLogSize = 4096;
constexpr std::uint32_t kSampleDataStream = 0x51A7E001;
constexpr std::uint32_t kSampleLogStream = 0x51A7E002;

}  // namespace

std::uint32_t Crc32(ByteView bytes)
{
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::uint8_t b : bytes)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFF;
}

Bytes EncodeBackup(const Backup &backup)
{
    ByteWriter out;
    out.Append(ByteView(reinterpret_cast<const std::uint8_t *>(kMagic.data()), kMagic.size()));
    out.U16LE(kFormatVersion);
    WriteText(out, backup.database);
    out.U8(kFileCount);
    auto header = [&](FileKind kind, const BackupFile &file) {
        out.U8(static_cast<std::uint8_t>(kind));
        WriteText(out, file.logical_name);
        WriteText(out, file.original_path);
        out.U64LE(file.contents.size());
    };
    header(FileKind::Data, backup.data);
    header(FileKind::Log, backup.log);
    out.Append(backup.data.contents);
    out.Append(backup.log.contents);
    out.U32LE(Crc32(out.View()));
    return out.Take();
}

std::optional<Backup> DecodeBackup(ByteView bytes)
{
    if (bytes.size() < kMagic.size() + kChecksumSize)
        return std::nullopt;
    ByteView body = bytes.first(bytes.size() - kChecksumSize);
    ByteReader trailer(bytes.last(kChecksumSize));
    if (trailer.U32LE() != Crc32(body))
        return std::nullopt;
    try {
        return Parse(body);
    } catch (const ProtocolError &) {
        return std::nullopt;
    }
}

std::string DefaultOriginalPath(std::string_view logical_name, bool is_log)
{
    return std::string("C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\") + std::string(logical_name) +
           (is_log ? ".LDF" : ".MDF");
}

Backup SampleBackup(std::string_view database, std::string_view data_logical, std::string_view log_logical)
{
    Backup backup;
    backup.database = database;
    backup.data.logical_name = data_logical;
    backup.data.original_path = DefaultOriginalPath(data_logical, false);
    backup.data.contents =
        SampleContents("QZENGINE sample data file " + std::string(data_logical), kSampleDataSize, kSampleDataStream);
    backup.log.logical_name = log_logical;
    backup.log.original_path = DefaultOriginalPath(log_logical, true);
    backup.log.contents =
        SampleContents("QZENGINE sample log file " + std::string(log_logical), kSampleLogSize, kSampleLogStream);
    return backup;
}

}  // namespace qz::engine
