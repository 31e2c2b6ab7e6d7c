// An ODBC connection string read as Windows' driver manager and drivers read
// it, from the grammar that SQLDriverConnect documents: attribute pairs
// separated by ";", the keyword up to the first "=", a value either bare (up
// to the next ";") or in braces, where it ends at a "}" that is not doubled
// and "}}" stands for one "}"; nothing but ";" or the end follows a braced
// value. Written from the documentation, for the tests of the writer.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qz::testing {

// The pairs in order; nothing when the text is not in the grammar.
inline std::optional<std::vector<std::pair<std::string, std::string>>> ReadOdbcAsWindows(std::string_view text)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t equals = text.find('=', at);
        if (equals == std::string_view::npos)
            return std::nullopt;
        std::string key(text.substr(at, equals - at));
        std::string value;
        at = equals + 1;
        if (at < text.size() && text[at] == '{') {
            for (++at;; ++at) {
                if (at >= text.size())
                    return std::nullopt;  // never closed
                if (text[at] != '}') {
                    value += text[at];
                    continue;
                }
                if (at + 1 < text.size() && text[at + 1] == '}') {
                    value += '}';
                    ++at;
                    continue;
                }
                ++at;
                break;
            }
            if (at < text.size() && text[at] != ';')
                return std::nullopt;
        } else {
            const std::size_t end = std::min(text.find(';', at), text.size());
            value = std::string(text.substr(at, end - at));
            at = end;
        }
        pairs.emplace_back(std::move(key), std::move(value));
        if (at < text.size())
            ++at;  // the ";"
    }
    return pairs;
}

}  // namespace qz::testing
