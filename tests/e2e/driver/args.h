// Command-line arguments of one qzdrive command, and the two ways a command fails.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace qzdrive {

// A failed expectation or a time-out: exit code 1.
struct Failure {
    std::wstring message;
};

// Wrong arguments: exit code 2.
struct UsageError {
    std::wstring message;
};

// The arguments after the command name: positional ones, "--name value"
// options and "--name" flags. A lone "--" ends the options.
class Args {
public:
    Args(std::vector<std::wstring> words, std::set<std::wstring> valueOptions, std::set<std::wstring> flags);

    const std::vector<std::wstring> &Positional() const { return positional_; }
    // Throws UsageError unless there are between min and max positional arguments.
    void ExpectPositional(size_t min, size_t max, const wchar_t *what) const;

    bool Has(const std::wstring &name) const;
    std::optional<std::wstring> Value(const std::wstring &name) const;
    // An integer option (decimal, or hexadecimal with 0x); throws UsageError when malformed.
    std::optional<long long> Integer(const std::wstring &name) const;
    long long Integer(const std::wstring &name, long long fallback) const;

private:
    std::vector<std::wstring> positional_;
    std::map<std::wstring, std::wstring> values_;
    std::set<std::wstring> flags_;
};

// Parses a decimal or 0x-prefixed hexadecimal integer; nullopt when malformed.
std::optional<long long> ParseInteger(const std::wstring &text);

}  // namespace qzdrive
