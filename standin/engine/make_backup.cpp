#include "make_backup.h"

#include <cstring>

#include "backup_format.h"
#include "file_io.h"

namespace qz::engine {
namespace {

constexpr std::size_t kMaxFileSize = 64 * 1024 * 1024;

std::optional<std::string> LoadContents(const std::optional<std::filesystem::path> &file, Bytes &contents)
{
    if (!file)
        return std::nullopt;
    auto read = ReadWholeFile(*file, kMaxFileSize);
    if (auto *failure = std::get_if<FileFailure>(&read))
        return "cannot read " + file->string() + ": " + std::strerror(failure->error);
    contents = std::get<Bytes>(std::move(read));
    return std::nullopt;
}

}  // namespace

std::optional<std::string> MakeBackupFile(const MakeBackupOptions &options)
{
    Backup backup = SampleBackup(options.database, options.data_logical, options.log_logical);
    if (auto error = LoadContents(options.data_file, backup.data.contents))
        return error;
    if (auto error = LoadContents(options.log_file, backup.log.contents))
        return error;
    Bytes encoded = EncodeBackup(backup);
    auto written = ReplaceFile(options.output, encoded);
    if (auto *failure = std::get_if<FileFailure>(&written))
        return "cannot write " + options.output.string() + ": " + std::strerror(failure->error);
    return std::nullopt;
}

}  // namespace qz::engine
