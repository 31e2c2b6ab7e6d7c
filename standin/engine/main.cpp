// qzengine: a stand-in for the SQL Server engine, for tests and demos on
// Linux. See README.md beside this file.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

#include "engine_log.h"
#include "engine.h"
#include "make_backup.h"
#include "options.h"
#include "server.h"

namespace {

using namespace qz::engine;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int MakeBackup(const MakeBackupOptions &options)
{
    if (auto error = MakeBackupFile(options)) {
        std::cerr << "qzengine: " << *error << '\n';
        return kExitFailure;
    }
    std::cout << "wrote " << options.output.string() << '\n';
    return kExitOk;
}

int Serve(ServeOptions options)
{
    // Only this thread takes the stop signals: every thread started below
    // inherits the mask, and this one waits for them with sigwait.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    EngineConfig config;
    config.state_folder = options.state_folder;
    config.drives = std::move(options.drives);
    config.user = options.user;
    config.password = options.password;
    Engine engine(std::move(config));
    EngineLog log(options.state_folder);
    Delays delays;
    delays.statement = options.statement_stall;
    delays.login = options.login_stall;
    delays.close_on_restore = options.close_on_restore;
    Server server(engine, log, delays);
    std::uint16_t port = server.Start(options.address, options.port);
    std::cout << "listening on " << options.address << ':' << port << std::endl;

    int received = 0;
    sigwait(&stop_signals, &received);
    server.Stop();
    return kExitOk;
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    CommandLine command = ParseCommandLine(arguments);
    if (std::holds_alternative<HelpRequested>(command)) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (auto *error = std::get_if<CommandLineError>(&command)) {
        std::cerr << "qzengine: " << error->message << '\n' << kUsage;
        return kExitUsage;
    }
    try {
        if (auto *backup = std::get_if<MakeBackupOptions>(&command))
            return MakeBackup(*backup);
        return Serve(std::get<ServeOptions>(std::move(command)));
    } catch (const std::exception &error) {
        std::cerr << "qzengine: " << error.what() << '\n';
        return kExitFailure;
    }
}
