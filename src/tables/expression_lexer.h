// Splits the text of an xBase expression (see expression.h) into tokens for
// the parser. Blanks between tokens are skipped, so `")` may be glued to the
// `.and.` that follows it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace marklift {

enum class TokenKind {
    End,
    Name,    // field or function name
    Text,    // "..." or '...'; `text` holds what lies between the quotes
    Number,  // 12, 12.5, .5, -3
    LeftParen,
    RightParen,
    Comparison,  // `comparison` tells which
    And,         // .and.
    Or,          // .or.
    Not,         // .not. or !
};

enum class Comparison {
    StartsWith,     // =  (exact matching off)
    NotStartsWith,  // <> # !=
    Equal,          // ==
    Less,
    Greater,
    LessOrEqual,
    GreaterOrEqual,
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;     // a view into the expression's text
    std::size_t position = 0;  // offset of the token's first character
    Comparison comparison = Comparison::StartsWith;
};

// Throws EXbaseError(BadExpression) naming the whole expression and `problem`.
[[noreturn]] void throwBadExpression(std::string_view expression, const std::string& problem);

class ExpressionLexer {
public:
    // `expression` must outlive the lexer and its tokens.
    explicit ExpressionLexer(std::string_view expression);

    const Token& peek() const { return current_; }
    Token next();

private:
    Token scan();
    Token scanText(std::size_t start);
    Token scanNumber(std::size_t start);
    Token scanDotWord(std::size_t start);
    Token scanSymbol(std::size_t start);

    std::string_view expression_;
    std::size_t pos_ = 0;
    Token current_;
};

// Names and keywords of the subset match without regard to letter case.
bool equalIgnoringCase(std::string_view a, std::string_view b);

// How a token appears in an error message: `")" at position 7`.
std::string describeToken(const Token& token);

}  // namespace marklift
