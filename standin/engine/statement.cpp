#include "statement.h"

#include <array>
#include <optional>

#include "text.h"

namespace qz::engine {
namespace {

enum class Kind { Word, QuotedName, String, Number, Symbol, End };

struct SqlToken {
    Kind kind = Kind::End;
    std::string text;  // a word as written, quoted text without its quotes
};

// Words that cannot serve as a plain name.
constexpr std::array<std::string_view, 10> kReserved = {"select",  "from", "where", "drop", "database",
                                                        "restore", "with", "to",    "set",  "disk"};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool IsNameStart(char c)
{
    auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '@' || c == '#' || u >= 0x80;
}
bool IsNamePart(char c)
{
    return IsNameStart(c) || IsDigit(c) || c == '$';
}

struct Unclosed {
    std::string text;
};

// Splits the batch into tokens; a quote without its closing partner ends
// the batch as Unclosed.
class Lexer {
public:
    explicit Lexer(std::string_view sql) : sql_(sql) {}

    std::variant<std::vector<SqlToken>, Unclosed> Run()
    {
        std::vector<SqlToken> tokens;
        for (;;) {
            SkipBlanksAndComments();
            if (at_ >= sql_.size())
                return tokens;
            char c = sql_[at_];
            std::optional<std::string> quoted;
            Kind kind = Kind::String;
            if (c == '\'') {
                quoted = Quoted('\'');
            } else if ((c == 'N' || c == 'n') && Peek(1) == '\'') {
                ++at_;
                quoted = Quoted('\'');
            } else if (c == '[') {
                kind = Kind::QuotedName;
                quoted = Quoted(']');
            } else if (c == '"') {
                kind = Kind::QuotedName;
                quoted = Quoted('"');
            } else if (IsNameStart(c)) {
                tokens.push_back({Kind::Word, Span(IsNamePart)});
                continue;
            } else if (IsDigit(c)) {
                tokens.push_back({Kind::Number, Span([](char d) { return IsDigit(d) || d == '.'; })});
                continue;
            } else {
                tokens.push_back({Kind::Symbol, std::string(1, c)});
                ++at_;
                continue;
            }
            if (!quoted)
                return Unclosed{unclosed_text_};
            tokens.push_back({kind, *quoted});
        }
    }

private:
    char Peek(std::size_t ahead) const { return at_ + ahead < sql_.size() ? sql_[at_ + ahead] : '\0'; }

    void SkipBlanksAndComments()
    {
        while (at_ < sql_.size()) {
            if (IsBlank(sql_[at_])) {
                ++at_;
            } else if (sql_[at_] == '-' && Peek(1) == '-') {
                std::size_t eol = sql_.find('\n', at_);
                at_ = eol == std::string_view::npos ? sql_.size() : eol + 1;
            } else if (sql_[at_] == '/' && Peek(1) == '*') {
                std::size_t close = sql_.find("*/", at_ + 2);
                at_ = close == std::string_view::npos ? sql_.size() : close + 2;
            } else {
                return;
            }
        }
    }

    template <typename Pred>
    std::string Span(Pred part)
    {
        std::size_t start = at_;
        while (at_ < sql_.size() && part(sql_[at_]))
            ++at_;
        return std::string(sql_.substr(start, at_ - start));
    }

    // Text up to the closing character; a doubled closing character stands
    // for one. Empty optional when the batch ends first.
    std::optional<std::string> Quoted(char close)
    {
        ++at_;  // the opening quote
        std::string text;
        while (at_ < sql_.size()) {
            char c = sql_[at_++];
            if (c != close) {
                text.push_back(c);
            } else if (at_ < sql_.size() && sql_[at_] == close) {
                text.push_back(close);
                ++at_;
            } else {
                return text;
            }
        }
        unclosed_text_ = text;
        return std::nullopt;
    }

    std::string_view sql_;
    std::size_t at_ = 0;
    std::string unclosed_text_;
};

// Thrown inside the parser at the first token that does not fit.
struct Mismatch {
    std::string near;
};

class Parser {
public:
    explicit Parser(std::vector<SqlToken> tokens) : tokens_(std::move(tokens)) {}

    Statement Run()
    {
        if (tokens_.empty())
            return EmptyBatch{};
        try {
            return ParseOne();
        } catch (const Mismatch &mismatch) {
            return SyntaxError{mismatch.near};
        }
    }

private:
    Statement ParseOne()
    {
        if (AcceptKeyword("set"))
            return ConnectionSetting{};
        Statement statement;
        if (AcceptKeyword("select"))
            statement = Existence();
        else if (AcceptKeyword("drop"))
            statement = Drop();
        else if (AcceptKeyword("restore"))
            statement = Restore();
        else
            Fail();
        AcceptSymbol(';');
        if (Current().kind != Kind::End)
            Fail();
        return statement;
    }

    ExistenceQuery Existence()
    {
        ExpectSymbol('*');
        ExpectKeyword("from");
        SysdatabasesName();
        ExpectKeyword("where");
        ExpectKeyword("name");
        ExpectSymbol('=');
        return ExistenceQuery{ExpectString()};
    }

    // sysdatabases, dbo.sysdatabases, master..sysdatabases or
    // master.dbo.sysdatabases, each part plain or quoted.
    void SysdatabasesName()
    {
        std::vector<std::size_t> parts;  // token index of each part; npos: left empty
        constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);
        parts.push_back(ExpectNameToken());
        while (AcceptSymbol('.')) {
            if (Current().kind == Kind::Symbol && Current().text == ".")
                parts.push_back(kEmpty);
            else
                parts.push_back(ExpectNameToken());
        }
        auto is = [&](std::size_t part, std::string_view name) {
            return part != kEmpty && EqualsIgnoringCase(tokens_[part].text, name);
        };
        auto fail_at = [&](std::size_t part) { throw Mismatch{tokens_[part].text}; };
        // Only the first part can never be left empty, and the loop above
        // ends on a named part.
        switch (parts.size()) {
        case 1: break;
        case 2:
            if (!is(parts[0], "dbo"))
                fail_at(parts[0]);
            break;
        case 3:
            if (!is(parts[0], "master"))
                fail_at(parts[0]);
            if (parts[1] != kEmpty && !is(parts[1], "dbo"))
                fail_at(parts[1]);
            break;
        default: fail_at(parts[0]);
        }
        if (!is(parts.back(), "sysdatabases"))
            fail_at(parts.back());
    }

    DropDatabase Drop()
    {
        ExpectKeyword("database");
        return DropDatabase{ExpectName()};
    }

    RestoreDatabase Restore()
    {
        RestoreDatabase restore;
        ExpectKeyword("database");
        restore.name = ExpectName();
        ExpectKeyword("from");
        ExpectKeyword("disk");
        ExpectSymbol('=');
        restore.backup_path = ExpectString();
        if (!AcceptKeyword("with"))
            return restore;
        do {
            if (AcceptKeyword("replace")) {
                restore.replace = true;
            } else if (AcceptKeyword("move")) {
                FileMove move;
                move.logical_name = ExpectString();
                ExpectKeyword("to");
                move.target = ExpectString();
                restore.moves.push_back(std::move(move));
            } else {
                Fail();
            }
        } while (AcceptSymbol(','));
        return restore;
    }

    const SqlToken &Current() const
    {
        static const SqlToken kEnd;
        return position_ < tokens_.size() ? tokens_[position_] : kEnd;
    }

    // The batch ended too early: the real engine names the last token.
    [[noreturn]] void Fail() const
    {
        const SqlToken &near = position_ < tokens_.size() ? tokens_[position_] : tokens_.back();
        throw Mismatch{near.text};
    }

    bool AcceptKeyword(std::string_view keyword)
    {
        if (Current().kind == Kind::Word && EqualsIgnoringCase(Current().text, keyword)) {
            ++position_;
            return true;
        }
        return false;
    }

    bool AcceptSymbol(char symbol)
    {
        if (Current().kind == Kind::Symbol && Current().text.size() == 1 && Current().text[0] == symbol) {
            ++position_;
            return true;
        }
        return false;
    }

    void ExpectKeyword(std::string_view keyword)
    {
        if (!AcceptKeyword(keyword))
            Fail();
    }

    void ExpectSymbol(char symbol)
    {
        if (!AcceptSymbol(symbol))
            Fail();
    }

    std::string ExpectString()
    {
        if (Current().kind != Kind::String)
            Fail();
        return tokens_[position_++].text;
    }

    static bool IsReserved(std::string_view word)
    {
        for (std::string_view reserved : kReserved) {
            if (EqualsIgnoringCase(word, reserved))
                return true;
        }
        return false;
    }

    std::size_t ExpectNameToken()
    {
        const SqlToken &token = Current();
        bool plain = token.kind == Kind::Word && !IsReserved(token.text);
        if (!plain && token.kind != Kind::QuotedName)
            Fail();
        return position_++;
    }

    std::string ExpectName() { return tokens_[ExpectNameToken()].text; }

    std::vector<SqlToken> tokens_;
    std::size_t position_ = 0;
};

}  // namespace

Statement ParseStatement(std::string_view sql)
{
    auto lexed = Lexer(sql).Run();
    if (auto *unclosed = std::get_if<Unclosed>(&lexed))
        return SyntaxError{unclosed->text, true};
    return Parser(std::get<std::vector<SqlToken>>(std::move(lexed))).Run();
}

}  // namespace qz::engine
