// RESTORE DATABASE: every check comes before the first byte is written, the
// files are written under temporary names and renamed into place, and the
// catalog changes last, so a failure leaves neither files nor a catalog entry.
#include <array>
#include <cerrno>
#include <system_error>
#include <variant>

#include "backup_format.h"
#include "engine.h"
#include "file_io.h"
#include "messages.h"
#include "text.h"

namespace qz::engine {
namespace fs = std::filesystem;
namespace {

// Larger files are not backups this engine wrote.
constexpr std::size_t kMaxBackupSize = 256 * 1024 * 1024;

StatementResult Terminated(std::vector<ServerMessage> errors)
{
    errors.push_back(messages::RestoreTerminating());
    StatementResult result;
    result.messages = std::move(errors);
    result.failed = true;
    return result;
}

// Where one file of the backup goes.
struct Target {
    const BackupFile *file = nullptr;
    std::string windows_path;
    fs::path path;  // empty when the drive is not mapped
};

bool IsDirectory(const fs::path &path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool SameFile(const fs::path &a, const fs::path &b)
{
    return EqualsIgnoringCase(a.lexically_normal().string(), b.lexically_normal().string());
}

fs::path TemporaryBeside(const fs::path &file)
{
    std::string name(1, '.');
    name += file.filename().string();
    name += ".restoring";
    return file.parent_path() / name;
}

void RemoveQuietly(const fs::path &path)
{
    std::error_code ignored;
    fs::remove(path, ignored);
}

std::variant<Backup, ServerMessage> LoadBackup(const DriveMap &drives, const std::string &device)
{
    std::optional<fs::path> path = drives.Map(device);
    if (!path)
        return messages::CannotOpenBackupDevice(device, messages::PathNotFound());
    auto read = ReadWholeFile(*path, kMaxBackupSize);
    if (auto *failure = std::get_if<FileFailure>(&read)) {
        if (failure->error == EFBIG)
            return messages::MediaIncorrectlyFormed(device);
        bool directory_missing = !IsDirectory(path->parent_path());
        return messages::CannotOpenBackupDevice(device, messages::FromErrno(failure->error, directory_missing));
    }
    std::optional<Backup> backup = DecodeBackup(std::get<Bytes>(read));
    if (!backup)
        return messages::MediaIncorrectlyFormed(device);
    return std::move(*backup);
}

struct WriteFailure {
    const Target *target;
    ServerMessage error;
};

// Writes both files beside their targets, then renames them into place.
std::optional<WriteFailure> WriteFiles(const std::array<Target, 2> &targets)
{
    std::array<fs::path, 2> temporaries;
    auto clean_up = [&] {
        for (const fs::path &temporary : temporaries)
            RemoveQuietly(temporary);
    };
    for (std::size_t i = 0; i < targets.size(); ++i) {
        temporaries[i] = TemporaryBeside(targets[i].path);
        auto written = WriteWholeFile(temporaries[i], targets[i].file->contents);
        if (auto *failure = std::get_if<FileFailure>(&written)) {
            clean_up();
            return WriteFailure{&targets[i], messages::CreateFileFailed(targets[i].windows_path,
                                                                        messages::FromErrno(failure->error, false))};
        }
    }
    for (std::size_t i = 0; i < targets.size(); ++i) {
        std::error_code error;
        fs::rename(temporaries[i], targets[i].path, error);
        if (error) {
            if (i > 0)
                RemoveQuietly(targets[0].path);
            clean_up();
            return WriteFailure{&targets[i], messages::CreateFileFailed(targets[i].windows_path,
                                                                        messages::FromErrno(error.value(), false))};
        }
    }
    return std::nullopt;
}

}  // namespace

StatementResult Engine::Restore(ClientId client, const RestoreDatabase &restore)
{
    if (EqualsIgnoringCase(restore.name, "tempdb"))
        return Terminated({messages::RestoreOnTempdb()});
    const Database *existing = catalog_.Find(restore.name);
    if (existing != nullptr && existing->system)
        return Terminated({messages::ExclusiveAccessDenied()});

    auto loaded = LoadBackup(config_.drives, restore.backup_path);
    if (auto *error = std::get_if<ServerMessage>(&loaded))
        return Terminated({*error});
    const Backup &backup = std::get<Backup>(loaded);

    if (existing != nullptr && !restore.replace && !EqualsIgnoringCase(backup.database, existing->name))
        return Terminated({messages::BackupOfOtherDatabase(existing->name)});
    if (UsedByClient(client, restore.name))
        return Terminated({messages::RestoreOwnDatabase(restore.name)});
    if (UsedByOthers(client, restore.name))
        return Terminated({messages::ExclusiveAccessDenied()});

    std::array<Target, 2> targets = {Target{&backup.data, backup.data.original_path, {}},
                                     Target{&backup.log, backup.log.original_path, {}}};
    std::vector<ServerMessage> errors;
    for (const FileMove &move : restore.moves) {
        Target *target = nullptr;
        for (Target &candidate : targets) {
            if (EqualsIgnoringCase(candidate.file->logical_name, move.logical_name))
                target = &candidate;
        }
        if (target == nullptr)
            errors.push_back(messages::LogicalFileNotInDatabase(move.logical_name, restore.name));
        else
            target->windows_path = move.target;
    }
    if (!errors.empty())
        return Terminated(std::move(errors));

    for (Target &target : targets) {
        const std::string &logical = target.file->logical_name;
        std::optional<fs::path> path = config_.drives.Map(target.windows_path);
        if (!path || !IsDirectory(path->parent_path())) {
            errors.push_back(messages::DirectoryLookupFailed(target.windows_path, messages::PathNotFound()));
            errors.push_back(messages::FileCannotBeRestored(logical, target.windows_path));
            continue;
        }
        target.path = *path;
        if (IsDirectory(target.path)) {
            errors.push_back(messages::CreateFileFailed(target.windows_path, messages::AccessDenied()));
            errors.push_back(messages::FileCannotBeRestored(logical, target.windows_path));
            continue;
        }
        for (const Database &other : catalog_.All()) {
            if (EqualsIgnoringCase(other.name, restore.name))
                continue;
            for (const DatabaseFile *file : {&other.data, &other.log}) {
                std::optional<fs::path> used = config_.drives.Map(file->path);
                if (used && SameFile(*used, target.path)) {
                    errors.push_back(messages::FileUsedByDatabase(target.windows_path, other.name));
                    errors.push_back(messages::FileCannotBeRestored(logical, target.windows_path));
                }
            }
        }
    }
    if (errors.empty() && SameFile(targets[0].path, targets[1].path))
        errors.push_back(messages::FileClaimedTwice(targets[0].windows_path, targets[0].file->logical_name,
                                                    targets[1].file->logical_name));
    if (!errors.empty())
        return Terminated(std::move(errors));

    if (auto failure = WriteFiles(targets))
        return Terminated({failure->error, messages::FileCannotBeRestored(failure->target->file->logical_name,
                                                                          failure->target->windows_path)});

    Database restored;
    restored.name = existing != nullptr ? existing->name : restore.name;
    restored.id = existing != nullptr ? existing->id : catalog_.NextId();
    restored.created = config_.clock();
    restored.data = {backup.data.logical_name, targets[0].windows_path};
    restored.log = {backup.log.logical_name, targets[1].windows_path};
    std::vector<fs::path> replaced_files;
    if (existing != nullptr) {
        for (const DatabaseFile *file : {&existing->data, &existing->log}) {
            std::optional<fs::path> old = config_.drives.Map(file->path);
            if (old && !SameFile(*old, targets[0].path) && !SameFile(*old, targets[1].path))
                replaced_files.push_back(*old);
        }
    }

    Catalog previous = catalog_;
    catalog_.Put(std::move(restored));  // `existing` dangles from here on
    if (auto error = Commit(std::move(previous))) {
        for (const Target &target : targets)
            RemoveQuietly(target.path);
        return Terminated({*error});
    }
    for (const fs::path &old : replaced_files)
        RemoveQuietly(old);

    std::uint64_t bytes = backup.data.contents.size() + backup.log.contents.size();
    StatementResult result;
    result.messages.push_back(messages::RestoreSucceeded(messages::PagesFor(bytes)));
    result.row_count = 0;
    return result;
}

}  // namespace qz::engine
