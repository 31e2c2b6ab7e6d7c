#include "engine_log.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <string>
#include <system_error>

#include "text.h"

namespace qz::engine {
namespace {

// "14:05:09.123", local time.
std::string TimeOfDay()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(millis));
    return text;
}

void WriteLine(std::FILE *file, const std::string &line)
{
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
}

}  // namespace

EngineLog::File EngineLog::Open(const std::filesystem::path &file)
{
    File opened(std::fopen(file.c_str(), "ae"));
    if (!opened)
        throw std::system_error(errno, std::generic_category(), "cannot open " + file.string());
    return opened;
}

EngineLog::EngineLog(const std::filesystem::path &state_folder)
    : batches_(Open(state_folder / kBatchLogFileName)), events_(Open(state_folder / kEventLogFileName))
{}

void EngineLog::Batch(std::uint64_t connection, std::string_view batch)
{
    const std::string escaped = EscapeLine(batch);
    std::lock_guard lock(mutex_);
    WriteLine(batches_.get(), escaped + '\n');
    WriteLine(events_.get(), TimeOfDay() + " #" + std::to_string(connection) + " batch: " + escaped + '\n');
}

void EngineLog::Event(std::uint64_t connection, std::string_view event)
{
    const std::string line = TimeOfDay() + " #" + std::to_string(connection) + ' ' + EscapeLine(event) + '\n';
    std::lock_guard lock(mutex_);
    WriteLine(events_.get(), line);
}

}  // namespace qz::engine
