#include "engine.h"

#include <iostream>
#include <type_traits>

#include "messages.h"
#include "sysdatabases.h"
#include "text.h"

namespace qz::engine {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kDefaultDatabase = "master";

StatementResult Failure(std::vector<ServerMessage> messages)
{
    StatementResult result;
    result.messages = std::move(messages);
    result.failed = true;
    return result;
}

StatementResult Acknowledged()
{
    return StatementResult{};
}

StatementResult Counted(std::uint64_t count)
{
    StatementResult result;
    result.row_count = count;
    return result;
}

TimePoint SystemNow()
{
    return std::chrono::floor<std::chrono::milliseconds>(std::chrono::system_clock::now());
}

}  // namespace

Engine::Engine(EngineConfig config) : config_(std::move(config)), file_(config_.state_folder / kCatalogFileName)
{
    if (!config_.clock)
        config_.clock = SystemNow;
    fs::create_directories(config_.state_folder);
    catalog_ = file_.Load();
}

LoginOutcome Engine::Login(std::string_view user, std::string_view password, std::string_view database)
{
    LoginOutcome outcome;
    if (!EqualsIgnoringCase(user, config_.user) || password != config_.password) {
        outcome.messages.push_back(messages::LoginFailed(user));
        outcome.refusal = !EqualsIgnoringCase(user, config_.user)
                              ? "user '" + std::string(user) + "' is not the engine's user '" + config_.user + "'"
                              : "wrong password for '" + std::string(user) + "'";
        return outcome;
    }
    if (database.empty())
        database = kDefaultDatabase;
    std::lock_guard lock(mutex_);
    const Database *found = catalog_.Find(database);
    if (found == nullptr) {
        outcome.messages.push_back(messages::CannotOpenLoginDatabase(database));
        outcome.messages.push_back(messages::LoginFailed(user));
        outcome.refusal = "no database '" + std::string(database) + "'";
        return outcome;
    }
    outcome.client = next_client_++;
    outcome.database = found->name;
    current_databases_[*outcome.client] = found->name;
    return outcome;
}

void Engine::Logout(ClientId client)
{
    std::lock_guard lock(mutex_);
    current_databases_.erase(client);
}

Catalog Engine::Snapshot() const
{
    std::lock_guard lock(mutex_);
    return catalog_;
}

StatementResult Engine::Execute(ClientId client, const Statement &statement)
{
    return std::visit(
        [&](const auto &s) -> StatementResult {
            using S = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<S, EmptyBatch> || std::is_same_v<S, ConnectionSetting>) {
                return Acknowledged();
            } else if constexpr (std::is_same_v<S, SyntaxError>) {
                std::vector<ServerMessage> errors;
                if (s.unclosed_quote)
                    errors.push_back(messages::UnclosedQuotation(s.near));
                errors.push_back(messages::SyntaxErrorNear(s.near));
                return Failure(std::move(errors));
            } else {
                std::lock_guard lock(mutex_);
                if constexpr (std::is_same_v<S, ExistenceQuery>)
                    return Exists(s);
                else if constexpr (std::is_same_v<S, DropDatabase>)
                    return Drop(client, s);
                else
                    return Restore(client, s);
            }
        },
        statement);
}

bool Engine::UsedByClient(ClientId client, std::string_view name) const
{
    auto found = current_databases_.find(client);
    return found != current_databases_.end() && EqualsIgnoringCase(found->second, name);
}

bool Engine::UsedByOthers(ClientId client, std::string_view name) const
{
    for (const auto &[id, database] : current_databases_) {
        if (id != client && EqualsIgnoringCase(database, name))
            return true;
    }
    return false;
}

std::optional<ServerMessage> Engine::Commit(Catalog previous)
{
    try {
        file_.Save(catalog_);
        return std::nullopt;
    } catch (const CatalogError &error) {
        std::cerr << "qzengine: " << error.what() << '\n';
        catalog_ = std::move(previous);
        return messages::CatalogNotWritten();
    }
}

StatementResult Engine::Exists(const ExistenceQuery &query) const
{
    StatementResult result;
    result.result_set = SysdatabasesRows(catalog_, query.name);
    result.row_count = result.result_set->rows.size();
    return result;
}

StatementResult Engine::Drop(ClientId client, const DropDatabase &drop)
{
    const Database *found = catalog_.Find(drop.name);
    if (found == nullptr)
        return Failure({messages::DropDatabaseMissing(drop.name)});
    if (found->system)
        return Failure({messages::DropSystemDatabase(drop.name)});
    if (UsedByClient(client, drop.name) || UsedByOthers(client, drop.name))
        return Failure({messages::DropDatabaseInUse(drop.name)});

    Database dropped = *found;
    Catalog previous = catalog_;
    catalog_.Remove(drop.name);
    if (auto error = Commit(std::move(previous)))
        return Failure({*error});
    // Once the catalog no longer lists it, its files are only debris.
    for (const DatabaseFile *file : {&dropped.data, &dropped.log}) {
        if (auto path = config_.drives.Map(file->path)) {
            std::error_code ignored;
            fs::remove(*path, ignored);
        }
    }
    return Counted(0);
}

}  // namespace qz::engine
