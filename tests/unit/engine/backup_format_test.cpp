// The stand-in backup format: round trip, and every kind of damage refused.
#include <gtest/gtest.h>

#include "backup_format.h"
#include "make_backup.h"
#include "test_support.h"

namespace qz::engine {
namespace {

Backup Example() {
    Backup backup;
    backup.database = "QUENTARO";
    backup.data = {"QUENTARO_data", "C:\\Data\\QUENTARO_data.MDF", Bytes{1, 2, 3, 4, 5}};
    backup.log = {"QUENTARO_log", "C:\\Data\\QUENTARO_log.LDF", Bytes{9, 8, 7}};
    return backup;
}

void ExpectSame(const Backup &a, const Backup &b) {
    EXPECT_EQ(a.database, b.database);
    EXPECT_EQ(a.data.logical_name, b.data.logical_name);
    EXPECT_EQ(a.data.original_path, b.data.original_path);
    EXPECT_EQ(a.data.contents, b.data.contents);
    EXPECT_EQ(a.log.logical_name, b.log.logical_name);
    EXPECT_EQ(a.log.original_path, b.log.original_path);
    EXPECT_EQ(a.log.contents, b.log.contents);
}

TEST(BackupFormat, RoundTrip) {
    std::optional<Backup> decoded = DecodeBackup(EncodeBackup(Example()));
    ASSERT_TRUE(decoded);
    ExpectSame(*decoded, Example());
}

TEST(BackupFormat, EmptyFilesRoundTrip) {
    Backup backup = Example();
    backup.data.contents.clear();
    backup.log.contents.clear();
    std::optional<Backup> decoded = DecodeBackup(EncodeBackup(backup));
    ASSERT_TRUE(decoded);
    ExpectSame(*decoded, backup);
}

TEST(BackupFormat, LayoutStartsWithMagicAndEndsWithCrc) {
    Bytes encoded = EncodeBackup(Example());
    EXPECT_EQ(std::string(encoded.begin(), encoded.begin() + 8), "QZBACKUP");
    EXPECT_EQ(encoded[8], 1);  // format version
    EXPECT_EQ(encoded[9], 0);
    ByteView body = ByteView(encoded).first(encoded.size() - 4);
    std::uint32_t crc = Crc32(body);
    EXPECT_EQ(Bytes(encoded.end() - 4, encoded.end()),
              (Bytes{static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(crc >> 8),
                     static_cast<std::uint8_t>(crc >> 16), static_cast<std::uint8_t>(crc >> 24)}));
}

TEST(BackupFormat, Crc32KnownAnswer) {
    const std::string check = "123456789";
    EXPECT_EQ(Crc32(ByteView(reinterpret_cast<const std::uint8_t *>(check.data()), check.size())), 0xCBF43926u);
}

TEST(BackupFormat, EveryFlippedByteIsDetected) {
    const Bytes encoded = EncodeBackup(Example());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        Bytes damaged = encoded;
        damaged[i] ^= 0x40;
        EXPECT_FALSE(DecodeBackup(damaged)) << "flipped byte " << i << " went unnoticed";
    }
}

TEST(BackupFormat, EveryTruncationIsDetected) {
    const Bytes encoded = EncodeBackup(Example());
    for (std::size_t size = 0; size < encoded.size(); ++size)
        EXPECT_FALSE(DecodeBackup(ByteView(encoded).first(size))) << "cut to " << size << " bytes";
    Bytes longer = encoded;
    longer.push_back(0);
    EXPECT_FALSE(DecodeBackup(longer));
}

TEST(BackupFormat, WellSealedButInconsistentContentIsRefused) {
    // A correct checksum over a body that lies about itself.
    auto reseal = [](Bytes body) {
        std::uint32_t crc = Crc32(body);
        for (int i = 0; i < 4; ++i)
            body.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
        return body;
    };
    Bytes body = EncodeBackup(Example());
    body.resize(body.size() - 4);
    EXPECT_TRUE(DecodeBackup(reseal(body))) << "resealing alone must keep it valid";

    Bytes wrong_version = body;
    wrong_version[8] = 2;
    EXPECT_FALSE(DecodeBackup(reseal(wrong_version)));

    Bytes extra = body;
    extra.push_back(0);
    EXPECT_FALSE(DecodeBackup(reseal(extra))) << "bytes after the last file";

    Backup same_names = Example();
    same_names.log.logical_name = "quentaro_DATA";
    Bytes duplicate = EncodeBackup(same_names);
    EXPECT_FALSE(DecodeBackup(duplicate)) << "logical names must differ";

    Backup nameless = Example();
    nameless.database.clear();
    EXPECT_FALSE(DecodeBackup(EncodeBackup(nameless)));
}

TEST(BackupFormat, SampleIsSmallAndTheSameEachTime) {
    Backup sample = SampleBackup("QUENTARO", "QUENTARO_data", "QUENTARO_log");
    EXPECT_EQ(EncodeBackup(sample), EncodeBackup(SampleBackup("QUENTARO", "QUENTARO_data", "QUENTARO_log")));
    EXPECT_EQ(sample.data.contents.size(), 8192u);
    EXPECT_EQ(sample.log.contents.size(), 4096u);
    EXPECT_EQ(sample.data.original_path, "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\QUENTARO_data.MDF");
    EXPECT_EQ(sample.log.original_path, "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\QUENTARO_log.LDF");
}

TEST(MakeBackup, WritesTheSampleOrTheGivenFiles) {
    testing::TempFolder folder;
    MakeBackupOptions options;
    options.output = folder / "sample.bak";
    options.data_logical = "QUENTARO_data";
    options.log_logical = "QUENTARO_log";
    ASSERT_FALSE(MakeBackupFile(options));
    std::optional<Backup> sample = DecodeBackup(testing::ReadFile(options.output));
    ASSERT_TRUE(sample);
    ExpectSame(*sample, SampleBackup("QUENTARO", "QUENTARO_data", "QUENTARO_log"));

    testing::WriteFile(folder / "d.mdf", Bytes(10000, 0xDD));
    testing::WriteFile(folder / "l.ldf", Bytes(3, 0x11));
    options.output = folder / "given.bak";
    options.data_file = folder / "d.mdf";
    options.log_file = folder / "l.ldf";
    ASSERT_FALSE(MakeBackupFile(options));
    std::optional<Backup> given = DecodeBackup(testing::ReadFile(options.output));
    ASSERT_TRUE(given);
    EXPECT_EQ(given->data.contents, Bytes(10000, 0xDD));
    EXPECT_EQ(given->log.contents, Bytes(3, 0x11));

    options.data_file = folder / "missing.mdf";
    options.output = folder / "never.bak";
    EXPECT_TRUE(MakeBackupFile(options));
    EXPECT_FALSE(std::filesystem::exists(options.output));
}

}  // namespace
}  // namespace qz::engine
