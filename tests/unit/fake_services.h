// Fakes of the platform: a Services that records every call and answers
// message boxes from a queue, and a Database that plays a small engine.
#pragma once

#include "errors.h"
#include "fake_namespace.h"
#include "services.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qz::testing {

struct BoxCall {
    std::string text;
    std::string title;
    unsigned flags;
};

// One database on a pretend engine, and what the launcher asked of it.
class FakeDatabase : public Database {
public:
    void Close() override
    {
        log.push_back("close");
        open = false;
    }
    Status Open(std::string_view connectionString) override
    {
        log.push_back("open " + std::string(connectionString));
        if (refuseLogon)
            return Error("Login failed for user 'sa'.");
        open = true;
        return {};
    }
    Result<long long> OpenQuery(std::string_view sql) override
    {
        log.push_back("query " + std::string(sql));
        if (!open)
            return Error("Operation is not allowed when the object is closed.");
        if (!queryFailure.empty())
            return Error(queryFailure);
        return exists ? 1 : 0;
    }
    Status Execute(std::string_view sql) override
    {
        log.push_back("execute " + std::string(sql));
        if (!open)
            return Error("Operation is not allowed when the object is closed.");
        const bool drop = sql.starts_with("drop");
        if (drop ? dropFails : restoreFails)
            return Error(drop ? "Cannot drop database \"QUENTARO\" because it is currently in use."
                              : "RESTORE DATABASE is terminating abnormally.");
        exists = !drop;
        return {};
    }

    bool exists = false;
    bool open = false;
    bool refuseLogon = false;
    bool dropFails = false;
    bool restoreFails = false;
    std::string queryFailure;
    std::vector<std::string> log;
};

// A machine hive holding at most the engine's key, and the calls made on it.
struct RegistryState {
    bool keyExists = false;
    std::optional<std::uint32_t> size;           // the first query's answer
    std::optional<Registry::Value> value;       // the second query's answer
    std::vector<std::string> log;
    int accessors = 0;                           // made and not yet released
};

class FakeRegistry : public Registry {
public:
    explicit FakeRegistry(RegistryState &state) : state_(state) { ++state_.accessors; }
    ~FakeRegistry() override { --state_.accessors; }
    bool OpenKey(std::string_view path) override
    {
        state_.log.push_back("open " + std::string(path));
        return state_.keyExists;
    }
    std::optional<std::uint32_t> ValueSize(std::string_view name) override
    {
        state_.log.push_back("size " + std::string(name));
        return state_.size;
    }
    std::optional<Value> ReadValue(std::string_view name, std::uint32_t size) override
    {
        state_.log.push_back("read " + std::string(name) + " " + std::to_string(size));
        return state_.value;
    }
    void CloseKey() override { state_.log.push_back("close"); }

private:
    RegistryState &state_;
};

class FakeServices : public Services {
public:
    int ShowMessageBox(std::string_view text, std::string_view title, unsigned flags) override
    {
        boxes.push_back({std::string(text), std::string(title), flags});
        database.log.push_back("box " + std::string(text));
        if (answers.empty())
            return 1;  // IDOK
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::string ProgramFolder() override
    {
        ++programFolderCalls;
        return programFolder;
    }
    void CloseMainWindow() override { ++closeCalls; }
    Database &Data() override { return database; }
    ShellNamespace &Namespace() override { return shell; }
    std::unique_ptr<Registry> OpenRegistry() override { return std::make_unique<FakeRegistry>(registry); }
    void ShellOpen(std::string_view path) override { database.log.push_back("shell " + std::string(path)); }
    Status RunHidden(std::string_view commandLine) override
    {
        database.log.push_back("run " + std::string(commandLine));
        return {};
    }
    bool CanRead(std::string_view path) override
    {
        database.log.push_back("can-read " + std::string(path));
        return readable;
    }
    void SetBusy(bool on) override
    {
        busy = on;
        database.log.push_back(on ? "busy" : "idle");
    }

    std::vector<BoxCall> boxes;
    std::deque<int> answers;
    std::string programFolder = "D:\\";
    int programFolderCalls = 0;
    int closeCalls = 0;
    bool busy = false;
    bool readable = true;  // what CanRead answers
    FakeDatabase database;
    RegistryState registry;
    FakeNamespace shell;
};

}  // namespace qz::testing
