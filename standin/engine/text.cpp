#include "text.h"

namespace qz::engine {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kSurrogateLast = 0xDFFF;
constexpr char32_t kSupplementaryFirst = 0x10000;

bool IsSurrogate(char32_t c)
{
    return c >= kSurrogateFirst && c <= kSurrogateLast;
}

// Decodes one code point at text[i], advancing i past it.
char32_t NextCodePoint(std::string_view text, std::size_t &i)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i++);
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, smallest = kSupplementaryFirst;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (byte(i) & 0xC0) != 0x80)
            return kReplacement;
        c = (c << 6) | (byte(i++) & 0x3F);
    }
    if (c < smallest || c > kMaxCodePoint || IsSurrogate(c))
        return kReplacement;
    return c;
}

void AppendUtf8(std::string &out, char32_t c)
{
    auto put = [&](unsigned v) { out.push_back(static_cast<char>(v)); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < kSupplementaryFirst) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = NextCodePoint(text, i);
        if (c >= kSupplementaryFirst) {
            c -= kSupplementaryFirst;
            out.push_back(static_cast<char16_t>(kSurrogateFirst + (c >> 10)));
            out.push_back(static_cast<char16_t>(kLowSurrogateFirst + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        bool high = c >= kSurrogateFirst && c < kLowSurrogateFirst;
        if (high && i + 1 < text.size() && text[i + 1] >= kLowSurrogateFirst && text[i + 1] <= kSurrogateLast) {
            c = kSupplementaryFirst + ((c - kSurrogateFirst) << 10) + (text[i + 1] - kLowSurrogateFirst);
            ++i;
        } else if (IsSurrogate(c)) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf16FromLE(ByteView bytes)
{
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::string EscapeLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

bool UnescapeLine(std::string_view line, std::string &out)
{
    out.clear();
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            out.push_back(line[i]);
            continue;
        }
        if (++i == line.size())
            return false;
        switch (line[i]) {
        case '\\': out.push_back('\\'); break;
        case 'r': out.push_back('\r'); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        default: return false;
        }
    }
    return true;
}

}  // namespace qz::engine
