#include "options.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>
#include <map>

namespace qz::engine {
namespace {

constexpr std::uint32_t kLoopbackNet = 0x7F000000;
constexpr std::uint32_t kLoopbackMask = 0xFF000000;
// A day: longer stalls are surely mistakes.
constexpr std::uint64_t kMaxStallMs = 24ull * 60 * 60 * 1000;

template <typename Number>
bool ParseNumber(std::string_view text, Number &value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// --name VALUE pairs, in order; a flag given twice keeps its last value,
// except --drive, which adds up.
struct Pairs {
    std::map<std::string, std::string, std::less<>> values;
    std::vector<std::string> drives;
};

std::variant<Pairs, CommandLineError> CollectPairs(const std::vector<std::string_view> &arguments)
{
    Pairs pairs;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        std::string_view flag = arguments[i];
        if (flag.substr(0, 2) != "--")
            return CommandLineError{"unexpected argument: " + std::string(flag)};
        if (i + 1 >= arguments.size())
            return CommandLineError{std::string(flag) + " needs a value"};
        std::string value(arguments[i + 1]);
        if (flag == "--drive")
            pairs.drives.push_back(std::move(value));
        else
            pairs.values[std::string(flag)] = std::move(value);
    }
    return pairs;
}

std::optional<CommandLineError> Unknown(const Pairs &pairs, std::initializer_list<std::string_view> allowed)
{
    for (const auto &[flag, value] : pairs.values) {
        bool known = false;
        for (std::string_view name : allowed)
            known = known || flag == name;
        if (!known)
            return CommandLineError{"unknown or misplaced option: " + flag};
    }
    return std::nullopt;
}

CommandLine ParseServe(const Pairs &pairs)
{
    if (auto error = Unknown(
            pairs, {"--listen", "--state", "--user", "--password", "--stall-ms", "--login-stall-ms", "--fault"}))
        return *error;
    ServeOptions options;
    auto listen = pairs.values.find("--listen");
    auto state = pairs.values.find("--state");
    if (listen == pairs.values.end() || state == pairs.values.end())
        return CommandLineError{"--listen and --state are required"};

    std::string_view endpoint = listen->second;
    std::size_t colon = endpoint.rfind(':');
    if (colon == std::string_view::npos)
        return CommandLineError{"--listen wants ADDRESS:PORT, got " + listen->second};
    options.address = std::string(endpoint.substr(0, colon));
    if (!IsLoopbackAddress(options.address))
        return CommandLineError{"refusing to listen on " + options.address +
                                ": only loopback addresses (127.0.0.0/8) are allowed"};
    if (!ParseNumber(endpoint.substr(colon + 1), options.port))
        return CommandLineError{"bad port in --listen " + listen->second};
    options.state_folder = state->second;
    if (options.state_folder.empty())
        return CommandLineError{"--state needs a folder"};

    if (auto user = pairs.values.find("--user"); user != pairs.values.end())
        options.user = user->second;
    if (auto password = pairs.values.find("--password"); password != pairs.values.end())
        options.password = password->second;
    for (const std::string &drive : pairs.drives) {
        if (!options.drives.AddOption(drive))
            return CommandLineError{"--drive wants LETTER=DIR, got " + drive};
    }
    if (auto stall = pairs.values.find("--stall-ms"); stall != pairs.values.end()) {
        std::uint64_t ms = 0;
        if (!ParseNumber(stall->second, ms) || ms > kMaxStallMs)
            return CommandLineError{"bad --stall-ms " + stall->second};
        options.statement_stall = std::chrono::milliseconds(ms);
    }
    if (auto stall = pairs.values.find("--login-stall-ms"); stall != pairs.values.end()) {
        std::uint64_t ms = 0;
        if (!ParseNumber(stall->second, ms) || ms > kMaxStallMs)
            return CommandLineError{"bad --login-stall-ms " + stall->second};
        options.login_stall = std::chrono::milliseconds(ms);
    }
    if (auto fault = pairs.values.find("--fault"); fault != pairs.values.end()) {
        if (fault->second != "close-on-restore")
            return CommandLineError{"unknown --fault " + fault->second};
        options.close_on_restore = true;
    }
    return options;
}

CommandLine ParseMakeBackup(const Pairs &pairs)
{
    if (auto error = Unknown(pairs, {"--make-backup", "--database", "--data", "--log", "--data-file", "--log-file"}))
        return *error;
    if (!pairs.drives.empty())
        return CommandLineError{"--drive does not go with --make-backup"};
    MakeBackupOptions options;
    options.output = pairs.values.at("--make-backup");
    auto get = [&](std::string_view flag) -> std::optional<std::string> {
        auto found = pairs.values.find(flag);
        return found == pairs.values.end() ? std::nullopt : std::optional(found->second);
    };
    options.database = get("--database").value_or(options.database);
    options.data_logical = get("--data").value_or(options.database + "_data");
    options.log_logical = get("--log").value_or(options.database + "_log");
    if (auto file = get("--data-file"))
        options.data_file = *file;
    if (auto file = get("--log-file"))
        options.log_file = *file;
    if (options.output.empty() || options.database.empty() || options.data_logical.empty() ||
        options.log_logical.empty())
        return CommandLineError{"--make-backup needs a file and non-empty names"};
    return options;
}

}  // namespace

const char kUsage[] = "usage: qzengine --listen 127.0.0.1:PORT --state DIR [--user NAME --password TEXT]\n"
                      "                [--drive LETTER=DIR]... [--stall-ms N] [--login-stall-ms N]\n"
                      "                [--fault close-on-restore]\n"
                      "       qzengine --make-backup OUT [--database NAME] [--data LOGICAL] [--log LOGICAL]\n"
                      "                [--data-file F] [--log-file F]\n";

bool IsLoopbackAddress(std::string_view address)
{
    in_addr parsed{};
    std::string text(address);
    if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        return false;
    return (ntohl(parsed.s_addr) & kLoopbackMask) == kLoopbackNet;
}

CommandLine ParseCommandLine(const std::vector<std::string_view> &arguments)
{
    for (std::string_view argument : arguments) {
        if (argument == "--help" || argument == "-h")
            return HelpRequested{};
    }
    auto collected = CollectPairs(arguments);
    if (auto *error = std::get_if<CommandLineError>(&collected))
        return *error;
    const Pairs &pairs = std::get<Pairs>(collected);
    if (pairs.values.count("--make-backup") != 0)
        return ParseMakeBackup(pairs);
    return ParseServe(pairs);
}

}  // namespace qz::engine
