// The OLE DB connection string that the launcher builds, written and read
// back the way OLE DB reads it.
#pragma once

#include "../errors.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qz::text {

using Property = std::pair<std::string, std::string>;

// Reads "key=value;key=value" pairs. Keys lose surrounding blanks and are
// compared without regard to case; a value may be enclosed in single or
// double quotes (the enclosing quote doubled inside it), and is otherwise
// taken exactly as written, blanks included, up to the next ";". Empty
// pairs are skipped; a later key replaces an earlier one.
// Fails for a pair without "=" or an unterminated quote.
Result<std::vector<Property>> ParseOleDb(std::string_view text);

// A value written so that ParseOleDb reads it back unchanged: as it is when
// it holds no ";" and no quote (blanks included), else in double quotes (or
// single quotes when it holds double quotes but no single ones), the
// enclosing quote doubled inside.
std::string QuoteOleDbValue(std::string_view value);

// The value of the first of these keys that the properties hold (compared
// without regard to case), or nullptr.
const std::string *FindProperty(const std::vector<Property> &properties, std::initializer_list<std::string_view> keys);

// Keys compare without regard to (ASCII) case.
bool SameKey(std::string_view a, std::string_view b);

// Space, tab, CR and LF.
bool IsBlank(char c);
std::string_view TrimBlanks(std::string_view text);

}  // namespace qz::text
