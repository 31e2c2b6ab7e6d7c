#include "args.h"

#include <cwchar>

namespace qzdrive {

Args::Args(std::vector<std::wstring> words, std::set<std::wstring> valueOptions, std::set<std::wstring> flags)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::wstring &word = words[i];
        if (optionsEnded || word.size() < 3 || word.compare(0, 2, L"--") != 0) {
            if (word == L"--" && !optionsEnded) {
                optionsEnded = true;
                continue;
            }
            positional_.push_back(word);
            continue;
        }
        const std::wstring name = word.substr(2);
        if (flags.contains(name)) {
            flags_.insert(name);
        } else if (valueOptions.contains(name)) {
            if (i + 1 >= words.size())
                throw UsageError{L"option " + word + L" needs a value"};
            values_[name] = words[++i];
        } else {
            throw UsageError{L"unknown option " + word};
        }
    }
}

void Args::ExpectPositional(size_t min, size_t max, const wchar_t *what) const
{
    if (positional_.size() < min || positional_.size() > max)
        throw UsageError{std::wstring(L"expected ") + what};
}

bool Args::Has(const std::wstring &name) const
{
    return flags_.contains(name) || values_.contains(name);
}

std::optional<std::wstring> Args::Value(const std::wstring &name) const
{
    const auto found = values_.find(name);
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

std::optional<long long> Args::Integer(const std::wstring &name) const
{
    const auto text = Value(name);
    if (!text)
        return std::nullopt;
    const auto number = ParseInteger(*text);
    if (!number)
        throw UsageError{L"option --" + name + L" needs a number, not '" + *text + L"'"};
    return number;
}

long long Args::Integer(const std::wstring &name, long long fallback) const
{
    return Integer(name).value_or(fallback);
}

std::optional<long long> ParseInteger(const std::wstring &text)
{
    if (text.empty())
        return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    wchar_t *end = nullptr;
    const long long value = std::wcstoll(text.c_str(), &end, hex ? 16 : 10);
    if (end == nullptr || *end != L'\0')
        return std::nullopt;
    return value;
}

}  // namespace qzdrive
