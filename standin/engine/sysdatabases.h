#pragma once

#include <string_view>

#include "catalog.h"
#include "result.h"

namespace qz::engine {

// The rows of master..sysdatabases whose name equals `name` (ignoring case),
// with that table's columns in its order: name, dbid, sid, mode, status,
// status2, crdate, reserved, category, cmptlevel, filename, version.
ResultSet SysdatabasesRows(const Catalog &catalog, std::string_view name);

// A moment as a datetime value (1/300-second ticks, rounded; a moment that
// rounds up to midnight belongs to the next day).
DateTimeValue ToDateTime(TimePoint when);

}  // namespace qz::engine
