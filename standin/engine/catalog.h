#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qz::engine {

using TimePoint = std::chrono::sys_time<std::chrono::milliseconds>;

struct DatabaseFile {
    std::string logical_name;
    std::string path;  // the Windows path, as the restore named it
};

struct Database {
    std::string name;
    int id = 0;
    TimePoint created{};
    DatabaseFile data;
    DatabaseFile log;
    bool system = false;
};

// The engine's databases: master, tempdb, model and msdb always, and those
// restored since. Names ignore case.
class Catalog {
public:
    // A catalog holding only the system databases.
    Catalog();

    const Database *Find(std::string_view name) const;
    const std::vector<Database> &All() const { return databases_; }
    // Adds the database, or replaces the one of the same name (keeping its id).
    void Put(Database database);
    bool Remove(std::string_view name);
    // The lowest id no database holds, from the first id of user databases.
    int NextId() const;

    // The text form of the catalog file (user databases only; the system
    // ones are built in), and back. Parse throws CatalogError.
    std::string Serialize() const;
    static Catalog Parse(std::string_view text);

private:
    std::vector<Database> databases_;  // by id
};

class CatalogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The catalog file in the state folder. Save writes a temporary file beside
// it and renames it over the old one, so the file is always whole.
class CatalogFile {
public:
    explicit CatalogFile(std::filesystem::path file) : file_(std::move(file)) {}

    // A missing file is an empty catalog; a malformed one throws CatalogError.
    Catalog Load() const;
    // Throws CatalogError when the file cannot be written.
    void Save(const Catalog &catalog) const;

    const std::filesystem::path &Path() const { return file_; }

private:
    std::filesystem::path file_;
};

// "2024-05-01 10:00:00.000" (UTC) and back.
std::string FormatTime(TimePoint when);
std::optional<TimePoint> ParseTime(std::string_view text);

}  // namespace qz::engine
