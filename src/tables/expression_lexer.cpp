// The tokenizer of the expression subset; expression.cpp builds the tree.
#include "tables/expression_lexer.h"

#include "tables/xbase_error.h"

namespace marklift {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string positionText(std::size_t position) {
    return "at position " + std::to_string(position + 1);
}

// Control characters would garble a message, and a NUL would cut it short.
std::string printable(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && !isBlank(c)) || byte == 0x7F) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

void throwBadExpression(std::string_view expression, const std::string& problem) {
    throw EXbaseError(
        XbaseErrorCode::BadExpression,
        printable("Invalid expression \"" + std::string(expression) + "\": " + problem + "."));
}

std::string describeToken(const Token& token) {
    switch (token.kind) {
        case TokenKind::End:
            return "the end";
        case TokenKind::Text:
            return "the literal " + positionText(token.position);
        default:
            return "\"" + std::string(token.text) + "\" " + positionText(token.position);
    }
}

ExpressionLexer::ExpressionLexer(std::string_view expression) : expression_(expression) {
    current_ = scan();
}

Token ExpressionLexer::next() {
    Token token = current_;
    if (token.kind != TokenKind::End) current_ = scan();
    return token;
}

Token ExpressionLexer::scan() {
    while (pos_ < expression_.size() && isBlank(expression_[pos_])) ++pos_;
    const std::size_t start = pos_;
    if (start == expression_.size()) return Token{TokenKind::End, {}, start};

    const char c = expression_[start];
    auto digitAt = [this](std::size_t i) {
        return i < expression_.size() && isDigit(expression_[i]);
    };
    if (c == '"' || c == '\'') return scanText(start);
    if (isDigit(c) || (c == '.' && digitAt(start + 1)) ||
        (c == '-' && (digitAt(start + 1) || (start + 1 < expression_.size() &&
                                             expression_[start + 1] == '.' && digitAt(start + 2)))))
        return scanNumber(start);
    if (c == '.') return scanDotWord(start);
    if (isLetter(c)) {
        while (pos_ < expression_.size() &&
               (isLetter(expression_[pos_]) || isDigit(expression_[pos_])))
            ++pos_;
        return Token{TokenKind::Name, expression_.substr(start, pos_ - start), start};
    }
    return scanSymbol(start);
}

Token ExpressionLexer::scanText(std::size_t start) {
    const char quote = expression_[start];
    const std::size_t close = expression_.find(quote, start + 1);
    if (close == std::string_view::npos)
        throwBadExpression(expression_, std::string("missing closing ") + quote +
                                            " of the literal " + positionText(start));
    pos_ = close + 1;
    return Token{TokenKind::Text, expression_.substr(start + 1, close - start - 1), start};
}

Token ExpressionLexer::scanNumber(std::size_t start) {
    auto skipDigits = [this] {
        while (pos_ < expression_.size() && isDigit(expression_[pos_])) ++pos_;
    };
    if (expression_[pos_] == '-') ++pos_;
    skipDigits();
    // A dot belongs to the number only when a digit follows: `1.and.` is 1 .and.
    if (pos_ + 1 < expression_.size() && expression_[pos_] == '.' &&
        isDigit(expression_[pos_ + 1])) {
        ++pos_;
        skipDigits();
    }
    return Token{TokenKind::Number, expression_.substr(start, pos_ - start), start};
}

Token ExpressionLexer::scanDotWord(std::size_t start) {
    std::size_t end = start + 1;
    while (end < expression_.size() && isLetter(expression_[end])) ++end;
    if (end == expression_.size() || expression_[end] != '.' || end == start + 1)
        throwBadExpression(expression_, "unexpected \".\" " + positionText(start));
    pos_ = end + 1;
    const std::string_view word = expression_.substr(start + 1, end - start - 1);
    const std::string_view text = expression_.substr(start, pos_ - start);
    if (equalIgnoringCase(word, "and")) return Token{TokenKind::And, text, start};
    if (equalIgnoringCase(word, "or")) return Token{TokenKind::Or, text, start};
    if (equalIgnoringCase(word, "not")) return Token{TokenKind::Not, text, start};
    throwBadExpression(expression_,
                       "unknown operator \"" + std::string(text) + "\" " + positionText(start));
}

Token ExpressionLexer::scanSymbol(std::size_t start) {
    const char c = expression_[start];
    const char following = start + 1 < expression_.size() ? expression_[start + 1] : '\0';
    auto make = [&](TokenKind kind, std::size_t length, Comparison comparison) {
        pos_ = start + length;
        return Token{kind, expression_.substr(start, length), start, comparison};
    };
    switch (c) {
        case '(':
            return make(TokenKind::LeftParen, 1, Comparison::StartsWith);
        case ')':
            return make(TokenKind::RightParen, 1, Comparison::StartsWith);
        case '#':
            return make(TokenKind::Comparison, 1, Comparison::NotStartsWith);
        case '=':
            return following == '=' ? make(TokenKind::Comparison, 2, Comparison::Equal)
                                    : make(TokenKind::Comparison, 1, Comparison::StartsWith);
        case '!':
            return following == '=' ? make(TokenKind::Comparison, 2, Comparison::NotStartsWith)
                                    : make(TokenKind::Not, 1, Comparison::StartsWith);
        case '<':
            if (following == '>') return make(TokenKind::Comparison, 2, Comparison::NotStartsWith);
            if (following == '=') return make(TokenKind::Comparison, 2, Comparison::LessOrEqual);
            return make(TokenKind::Comparison, 1, Comparison::Less);
        case '>':
            if (following == '=') return make(TokenKind::Comparison, 2, Comparison::GreaterOrEqual);
            return make(TokenKind::Comparison, 1, Comparison::Greater);
        default:
            throwBadExpression(expression_,
                               "unexpected \"" + std::string(1, c) + "\" " + positionText(start));
    }
}

}  // namespace marklift
