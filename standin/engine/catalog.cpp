#include "catalog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "file_io.h"
#include "text.h"

namespace qz::engine {
namespace {

constexpr std::string_view kHeader = "qzengine-catalog 1";
constexpr int kFirstUserDatabaseId = 5;
constexpr std::size_t kFieldCount = 7;
constexpr char kFieldSeparator = '\t';

constexpr std::string_view kSystemFolder = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";

Database SystemDatabase(std::string_view name, int id, std::string_view data_logical, std::string_view data_file,
                        std::string_view log_logical, std::string_view log_file)
{
    using namespace std::chrono;
    Database database;
    database.name = name;
    database.id = id;
    // When the engine was installed: a fixed, plausible moment.
    database.created = sys_days(year(2000) / August / 6) + hours(1) + minutes(29) + seconds(12);
    database.data = {std::string(data_logical), std::string(kSystemFolder) + std::string(data_file)};
    database.log = {std::string(log_logical), std::string(kSystemFolder) + std::string(log_file)};
    database.system = true;
    return database;
}

std::vector<std::string> SplitFields(std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (;;) {
        std::size_t tab = line.find(kFieldSeparator, at);
        std::string field;
        if (!UnescapeLine(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at), field))
            throw CatalogError("bad escape in catalog line: " + std::string(line));
        fields.push_back(std::move(field));
        if (tab == std::string_view::npos)
            return fields;
        at = tab + 1;
    }
}

int ParseId(const std::string &text)
{
    int id = 0;
    std::size_t used = 0;
    try {
        id = std::stoi(text, &used);
    } catch (const std::exception &) {
        used = 0;
    }
    if (used == 0 || used != text.size() || id < kFirstUserDatabaseId)
        throw CatalogError("bad database id in catalog: " + text);
    return id;
}

}  // namespace

std::string FormatTime(TimePoint when)
{
    using namespace std::chrono;
    sys_days day = floor<days>(when);
    year_month_day date(day);
    hh_mm_ss<milliseconds> time(when - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d.%03d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    return text;
}

std::optional<TimePoint> ParseTime(std::string_view text)
{
    using namespace std::chrono;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0, used = 0;
    std::string copy(text);
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d%n", &y, &mo, &d, &h, &mi, &s, &ms, &used) != 7 ||
        static_cast<std::size_t>(used) != copy.size())
        return std::nullopt;
    year_month_day date{year(y), month(static_cast<unsigned>(mo)), day(static_cast<unsigned>(d))};
    if (!date.ok() || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0 || ms < 0)
        return std::nullopt;
    return sys_days(date) + hours(h) + minutes(mi) + seconds(s) + milliseconds(ms);
}

Catalog::Catalog()
{
    databases_.push_back(SystemDatabase("master", 1, "master", "master.mdf", "mastlog", "mastlog.ldf"));
    databases_.push_back(SystemDatabase("tempdb", 2, "tempdev", "tempdb.mdf", "templog", "templog.ldf"));
    databases_.push_back(SystemDatabase("model", 3, "modeldev", "model.mdf", "modellog", "modellog.ldf"));
    databases_.push_back(SystemDatabase("msdb", 4, "MSDBData", "msdbdata.mdf", "MSDBLog", "msdblog.ldf"));
}

const Database *Catalog::Find(std::string_view name) const
{
    for (const Database &database : databases_) {
        if (EqualsIgnoringCase(database.name, name))
            return &database;
    }
    return nullptr;
}

void Catalog::Put(Database database)
{
    for (Database &existing : databases_) {
        if (EqualsIgnoringCase(existing.name, database.name)) {
            database.id = existing.id;
            existing = std::move(database);
            return;
        }
    }
    databases_.push_back(std::move(database));
    std::sort(databases_.begin(), databases_.end(), [](const Database &a, const Database &b) { return a.id < b.id; });
}

bool Catalog::Remove(std::string_view name)
{
    auto found = std::find_if(databases_.begin(), databases_.end(),
                              [&](const Database &database) { return EqualsIgnoringCase(database.name, name); });
    if (found == databases_.end())
        return false;
    databases_.erase(found);
    return true;
}

int Catalog::NextId() const
{
    int id = kFirstUserDatabaseId;
    for (const Database &database : databases_) {  // sorted by id
        if (database.id == id)
            ++id;
    }
    return id;
}

std::string Catalog::Serialize() const
{
    std::string text(kHeader);
    text += '\n';
    for (const Database &database : databases_) {
        if (database.system)
            continue;
        const std::string fields[kFieldCount] = {database.name,
                                                 std::to_string(database.id),
                                                 FormatTime(database.created),
                                                 database.data.logical_name,
                                                 database.data.path,
                                                 database.log.logical_name,
                                                 database.log.path};
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            if (i > 0)
                text += kFieldSeparator;
            text += EscapeLine(fields[i]);
        }
        text += '\n';
    }
    return text;
}

Catalog Catalog::Parse(std::string_view text)
{
    std::istringstream lines{std::string(text)};
    std::string line;
    if (!std::getline(lines, line) || line != kHeader)
        throw CatalogError("catalog file does not start with \"" + std::string(kHeader) + "\"");
    Catalog catalog;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        std::vector<std::string> fields = SplitFields(line);
        if (fields.size() != kFieldCount || fields[0].empty())
            throw CatalogError("catalog line without its seven fields: " + line);
        Database database;
        database.name = fields[0];
        database.id = ParseId(fields[1]);
        std::optional<TimePoint> created = ParseTime(fields[2]);
        if (!created)
            throw CatalogError("bad creation time in catalog: " + fields[2]);
        database.created = *created;
        database.data = {fields[3], fields[4]};
        database.log = {fields[5], fields[6]};
        if (catalog.Find(database.name) != nullptr)
            throw CatalogError("database listed twice in catalog: " + database.name);
        for (const Database &existing : catalog.All()) {
            if (existing.id == database.id)
                throw CatalogError("database id used twice in catalog: " + fields[1]);
        }
        catalog.Put(std::move(database));
    }
    return catalog;
}

Catalog CatalogFile::Load() const
{
    constexpr std::size_t kMaxCatalogSize = 16 * 1024 * 1024;
    auto read = ReadWholeFile(file_, kMaxCatalogSize);
    if (auto *failure = std::get_if<FileFailure>(&read)) {
        if (failure->error == ENOENT)
            return Catalog();
        throw CatalogError("cannot read " + file_.string() + ": " + std::strerror(failure->error));
    }
    const Bytes &bytes = std::get<Bytes>(read);
    return Catalog::Parse(std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
}

void CatalogFile::Save(const Catalog &catalog) const
{
    std::string text = catalog.Serialize();
    auto saved = ReplaceFile(file_, ByteView(reinterpret_cast<const std::uint8_t *>(text.data()), text.size()));
    if (auto *failure = std::get_if<FileFailure>(&saved))
        throw CatalogError("cannot write " + file_.string() + ": " + std::strerror(failure->error));
}

}  // namespace qz::engine
