#include "oledb.h"

#include "../errors.h"

#include <algorithm>
#include <cctype>

namespace qz::text {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameKey(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

const std::string *FindProperty(const std::vector<Property> &properties, std::initializer_list<std::string_view> keys)
{
    for (const Property &property : properties)
        for (std::string_view key : keys)
            if (SameKey(property.first, key))
                return &property.second;
    return nullptr;
}

Result<std::vector<Property>> ParseOleDb(std::string_view text)
{
    std::vector<Property> properties;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find_first_of(";=", at);
        if (end == std::string_view::npos || text[end] == ';') {
            // A pair that is only blanks (";;", a trailing ";") is skipped.
            const std::string_view piece = text.substr(at, end == std::string_view::npos ? end : end - at);
            if (!TrimBlanks(piece).empty())
                return Error("The connection string is not well formed.");
            at = end == std::string_view::npos ? text.size() : end + 1;
            continue;
        }
        const std::string key(TrimBlanks(text.substr(at, end - at)));
        std::size_t position = end + 1;

        // Blanks before an opening quote do not belong to the value.
        std::size_t first = position;
        while (first < text.size() && IsBlank(text[first]))
            ++first;
        std::string value;
        if (first < text.size() && (text[first] == '"' || text[first] == '\'')) {
            const char quote = text[first];
            position = first + 1;
            for (;;) {
                if (position >= text.size())
                    return Error("The connection string is not well formed.");
                if (text[position] == quote) {
                    if (position + 1 < text.size() && text[position + 1] == quote) {
                        value += quote;
                        position += 2;
                        continue;
                    }
                    ++position;
                    break;
                }
                value += text[position++];
            }
            while (position < text.size() && IsBlank(text[position]))
                ++position;
            if (position < text.size() && text[position] != ';')
                return Error("The connection string is not well formed.");
        } else {
            const std::size_t stop = std::min(text.find(';', position), text.size());
            value = std::string(text.substr(position, stop - position));
            position = stop;
        }
        at = position < text.size() ? position + 1 : text.size();

        auto existing = std::find_if(properties.begin(), properties.end(),
                                     [&](const Property &p) { return SameKey(p.first, key); });
        if (existing != properties.end())
            existing->second = std::move(value);
        else
            properties.emplace_back(key, std::move(value));
    }
    return properties;
}

std::string QuoteOleDbValue(std::string_view value)
{
    const bool hasDouble = value.find('"') != std::string_view::npos;
    const bool hasSingle = value.find('\'') != std::string_view::npos;
    // Blanks need no quotes: unquoted values are read with their blanks.
    const bool needsQuotes = value.find(';') != std::string_view::npos || hasDouble || hasSingle;
    if (!needsQuotes)
        return std::string(value);
    const char quote = hasDouble && !hasSingle ? '\'' : '"';
    std::string quoted(1, quote);
    for (char c : value) {
        quoted += c;
        if (c == quote)
            quoted += c;
    }
    quoted += quote;
    return quoted;
}

}  // namespace qz::text
