#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog.h"
#include "paths.h"
#include "result.h"
#include "statement.h"

namespace qz::engine {

struct EngineConfig {
    std::filesystem::path state_folder;
    DriveMap drives;
    std::string user = "sa";
    std::string password;
    // The clock that dates restored databases.
    std::function<TimePoint()> clock;
};

// A logged-in connection, as the engine knows it.
using ClientId = std::uint64_t;

struct LoginOutcome {
    std::optional<ClientId> client;       // set when the login is accepted
    std::string database;                 // the client's database, as catalogued
    std::vector<ServerMessage> messages;  // what the client is told of a refusal
    std::string refusal;                  // why, for the engine's log
};

// The database engine without its protocol: logins, the clients' current
// databases, the catalog and the statements. Safe to call from any thread;
// each statement runs whole under one lock, so a statement of one client
// never sees another's half done.
class Engine {
public:
    // Loads the catalog from the state folder (created if missing); throws
    // CatalogError or std::filesystem::filesystem_error.
    explicit Engine(EngineConfig config);

    // Checks the user and password (the user name ignores case) and the
    // database (empty: master), and registers the client on success.
    LoginOutcome Login(std::string_view user, std::string_view password, std::string_view database);
    void Logout(ClientId client);

    StatementResult Execute(ClientId client, const Statement &statement);

    // A copy of the catalog as it stands.
    Catalog Snapshot() const;

private:
    StatementResult Exists(const ExistenceQuery &query) const;
    StatementResult Drop(ClientId client, const DropDatabase &drop);
    StatementResult Restore(ClientId client, const RestoreDatabase &restore);

    // Whether `client` itself, or any other client, has `name` as its
    // current database.
    bool UsedByClient(ClientId client, std::string_view name) const;
    bool UsedByOthers(ClientId client, std::string_view name) const;
    // Saves the catalog; on failure puts `previous` back and says why.
    std::optional<ServerMessage> Commit(Catalog previous);

    EngineConfig config_;
    CatalogFile file_;
    mutable std::mutex mutex_;
    Catalog catalog_;
    std::map<ClientId, std::string> current_databases_;  // of each logged-in client
    ClientId next_client_ = 1;
};

// The file name of the catalog in the state folder.
inline constexpr char kCatalogFileName[] = "catalog.txt";

}  // namespace qz::engine
