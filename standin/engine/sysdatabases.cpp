#include "sysdatabases.h"

#include "text.h"

namespace qz::engine {
namespace {

constexpr std::uint16_t kSysnameLength = 128;
constexpr std::uint16_t kSidLength = 85;
constexpr std::uint16_t kFilenameLength = 260;

// Values the real table holds for a database of SQL Server 2000.
constexpr std::uint8_t kSaSid = 0x01;
constexpr std::int64_t kModeNormal = 0;
constexpr std::int64_t kStatusUser = 16;    // torn page detection
constexpr std::int64_t kStatusSystem = 24;  // torn page detection, truncate log on checkpoint
constexpr std::int64_t kStatus2 = 1090519040;
constexpr std::int64_t kCategoryNone = 0;
constexpr std::int64_t kCompatibilityLevel = 80;
constexpr std::int64_t kDatabaseVersion = 539;

constexpr std::int64_t kTicksPerSecond = 300;
constexpr std::int64_t kTicksPerDay = 24 * 60 * 60 * kTicksPerSecond;

std::vector<Column> Columns()
{
    return {
        {"name", ColumnType::NVarChar, kSysnameLength, false},
        {"dbid", ColumnType::SmallInt, 0, false},
        {"sid", ColumnType::VarBinary, kSidLength, true},
        {"mode", ColumnType::SmallInt, 0, false},
        {"status", ColumnType::Int, 0, false},
        {"status2", ColumnType::Int, 0, false},
        {"crdate", ColumnType::DateTime, 0, false},
        {"reserved", ColumnType::DateTime, 0, false},
        {"category", ColumnType::Int, 0, false},
        {"cmptlevel", ColumnType::TinyInt, 0, false},
        {"filename", ColumnType::NVarChar, kFilenameLength, true},
        {"version", ColumnType::SmallInt, 0, false},
    };
}

Row RowOf(const Database &database)
{
    return {
        database.name,
        std::int64_t{database.id},
        Bytes{kSaSid},
        kModeNormal,
        database.system ? kStatusSystem : kStatusUser,
        kStatus2,
        ToDateTime(database.created),
        DateTimeValue{},
        kCategoryNone,
        kCompatibilityLevel,
        database.data.path,
        kDatabaseVersion,
    };
}

}  // namespace

DateTimeValue ToDateTime(TimePoint when)
{
    using namespace std::chrono;
    constexpr sys_days kEpoch = sys_days(year(1900) / January / 1);
    sys_days day = floor<days>(when);
    std::int64_t milliseconds_in_day = (when - day).count();
    std::int64_t ticks = (milliseconds_in_day * kTicksPerSecond + 500) / 1000;
    std::int64_t day_number = (day - kEpoch).count();
    if (ticks >= kTicksPerDay) {
        ticks -= kTicksPerDay;
        ++day_number;
    }
    return DateTimeValue{static_cast<std::int32_t>(day_number), static_cast<std::uint32_t>(ticks)};
}

ResultSet SysdatabasesRows(const Catalog &catalog, std::string_view name)
{
    ResultSet result;
    result.columns = Columns();
    for (const Database &database : catalog.All()) {
        if (EqualsIgnoringCase(database.name, name))
            result.rows.push_back(RowOf(database));
    }
    return result;
}

}  // namespace qz::engine
