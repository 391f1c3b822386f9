// Parses the expression subset once into a small tree whose leaves point
// straight at a field's bytes or hold a literal's bytes, so that evaluating a
// record is a few byte comparisons with no parsing and no allocation.
#include "tables/expression.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "tables/expression_lexer.h"

namespace marklift {
namespace {

// Parentheses, .not. chains and .and./.or. chains deeper than this are refused,
// so that neither parsing nor evaluating can exhaust the stack.
constexpr int kMaxDepth = 64;

// Blank or unreadable numbers count as 0, as xBase reads an empty numeric field.
double parseNumber(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    text.remove_prefix(first);
    if (text.front() == '+') text.remove_prefix(1);
    // from_chars would also take "inf" and "nan", which no numeric field holds.
    if (text.empty() || !(text.front() == '-' || text.front() == '.' ||
                          (text.front() >= '0' && text.front() <= '9')))
        return 0;
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Keys and literals are a few bytes long: an inline loop beats a call to memcmp.
int compareBytes(const char* a, const char* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (a[i] != b[i])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    }
    return 0;
}

// Compares as if the shorter text were padded with blanks, byte by byte as
// unsigned characters.
int comparePadded(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    if (int order = compareBytes(a.data(), b.data(), common); order != 0) return order;
    const bool aLonger = a.size() > common;
    for (char c : aLonger ? a.substr(common) : b.substr(common)) {
        if (c != ' ') {
            const bool aboveBlank = static_cast<unsigned char>(c) > ' ';
            return aboveBlank == aLonger ? 1 : -1;
        }
    }
    return 0;
}

bool startsWith(std::string_view text, std::string_view start) {
    return start.size() <= text.size() &&
           compareBytes(text.data(), start.data(), start.size()) == 0;
}

bool holds(Comparison comparison, int order) {
    switch (comparison) {
        case Comparison::StartsWith:
        case Comparison::Equal:
            return order == 0;
        case Comparison::NotStartsWith:
            return order != 0;
        case Comparison::Less:
            return order < 0;
        case Comparison::Greater:
            return order > 0;
        case Comparison::LessOrEqual:
            return order <= 0;
        case Comparison::GreaterOrEqual:
            return order >= 0;
    }
    return false;
}

const char* typeName(Expression::Type type) {
    switch (type) {
        case Expression::Type::Character:
            return "character";
        case Expression::Type::Date:
            return "date";
        case Expression::Type::Logical:
            return "logical";
        case Expression::Type::Numeric:
            return "numeric";
    }
    return "unknown";
}

}  // namespace

struct Expression::Node {
    // A value: bytes of the record, or a literal fixed when parsing.
    struct Operand {
        Type type = Type::Character;
        const FieldDef* field = nullptr;  // set for a bare field name only
        bool inRecord = false;
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        std::string literal;  // without its quotes
        double number = 0;    // a numeric literal's value

        std::string_view bytes(const char* record) const {
            return inRecord ? std::string_view(record + offset, length) : std::string_view(literal);
        }
        double numeric(const char* record) const {
            return inRecord ? parseNumber(bytes(record)) : number;
        }
    };

    enum class Kind { Value, LogicalField, Compare, And, Or, Not };

    Kind kind = Kind::Value;
    Comparison comparison = Comparison::StartsWith;
    Operand left, right;                  // Value, LogicalField: left; Compare: both
    std::unique_ptr<Node> first, second;  // And, Or: both; Not: first
    int depth = 1;

    Type type() const { return kind == Kind::Value ? left.type : Type::Logical; }

    bool test(const char* record) const {
        switch (kind) {
            case Kind::LogicalField:
                return isTrueLogicalLetter(record[left.offset]);
            case Kind::Compare:
                return compare(record);
            case Kind::And:
                return first->test(record) && second->test(record);
            case Kind::Or:
                return first->test(record) || second->test(record);
            case Kind::Not:
                return !first->test(record);
            case Kind::Value:
                break;  // parse() lets no value reach here
        }
        return false;
    }

    bool compare(const char* record) const {
        if (left.type == Type::Numeric) {
            const double a = left.numeric(record);
            const double b = right.numeric(record);
            return holds(comparison, a < b ? -1 : (b < a ? 1 : 0));
        }
        const std::string_view a = left.bytes(record);
        const std::string_view b = right.bytes(record);
        // With exact matching off, = and <> look only as far as the right side goes.
        if (comparison == Comparison::StartsWith) return startsWith(a, b);
        if (comparison == Comparison::NotStartsWith) return !startsWith(a, b);
        return holds(comparison, comparePadded(a, b));
    }
};

class Expression::Parser {
public:
    Parser(std::string_view text, const FieldList& fields)
        : text_(text), fields_(fields), lexer_(text) {}

    std::unique_ptr<Node> parseWhole() {
        if (lexer_.peek().kind == TokenKind::End) fail("there is nothing to evaluate");
        std::unique_ptr<Node> node = parseOr();
        const Token& rest = lexer_.peek();
        if (rest.kind == TokenKind::RightParen)
            fail("the \")\" at position " + std::to_string(rest.position + 1) +
                 " has no matching \"(\"");
        if (rest.kind != TokenKind::End)
            fail("unexpected " + describeToken(rest) + " after a complete expression");
        return node;
    }

private:
    using Operand = Node::Operand;

    [[noreturn]] void fail(const std::string& problem) const { throwBadExpression(text_, problem); }

    std::unique_ptr<Node> parseOr() {
        std::unique_ptr<Node> node = parseAnd();
        while (lexer_.peek().kind == TokenKind::Or) {
            const Token op = lexer_.next();
            node = join(Node::Kind::Or, op, std::move(node), parseAnd());
        }
        return node;
    }

    std::unique_ptr<Node> parseAnd() {
        std::unique_ptr<Node> node = parseNot();
        while (lexer_.peek().kind == TokenKind::And) {
            const Token op = lexer_.next();
            node = join(Node::Kind::And, op, std::move(node), parseNot());
        }
        return node;
    }

    // .not. binds tighter than .and. but looser than a comparison.
    std::unique_ptr<Node> parseNot() {
        std::vector<Token> nots;
        while (lexer_.peek().kind == TokenKind::Not) {
            nots.push_back(lexer_.next());
            if (nots.size() > static_cast<std::size_t>(kMaxDepth)) fail("it is nested too deeply");
        }
        std::unique_ptr<Node> node = parseComparison();
        for (auto op = nots.rbegin(); op != nots.rend(); ++op) {
            requireCondition(*node, *op, "");
            node = withChildren(Node::Kind::Not, std::move(node), nullptr);
        }
        return node;
    }

    std::unique_ptr<Node> parseComparison() {
        std::unique_ptr<Node> left = parsePrimary();
        if (lexer_.peek().kind != TokenKind::Comparison) return left;
        const Token op = lexer_.next();
        std::unique_ptr<Node> right = parsePrimary();
        const std::string where =
            "\"" + std::string(op.text) + "\" at position " + std::to_string(op.position + 1);
        if (left->type() == Type::Logical || right->type() == Type::Logical)
            fail(where + " compares a logical value, which is outside the supported subset");
        if (left->type() != right->type())
            fail(where + " compares a " + typeName(left->type()) + " value with a " +
                 typeName(right->type()) + " value");
        auto node = std::make_unique<Node>();
        node->kind = Node::Kind::Compare;
        node->comparison = op.comparison;
        node->left = std::move(left->left);
        node->right = std::move(right->left);
        return node;
    }

    std::unique_ptr<Node> parsePrimary() {
        const Token token = lexer_.next();
        switch (token.kind) {
            case TokenKind::LeftParen:
                return parseParenthesized(token);
            case TokenKind::Text: {
                Operand literal;
                literal.literal = std::string(token.text);
                return valueNode(std::move(literal));
            }
            case TokenKind::Number: {
                Operand literal;
                literal.type = Type::Numeric;
                literal.literal = std::string(token.text);
                literal.number = parseNumber(token.text);
                return valueNode(std::move(literal));
            }
            case TokenKind::Name:
                if (lexer_.peek().kind == TokenKind::LeftParen) return parseFunction(token);
                return fieldNode(token);
            case TokenKind::End:
                fail("it ends where a value is expected");
            default:
                fail("unexpected " + describeToken(token) + " where a value is expected");
        }
    }

    std::unique_ptr<Node> parseParenthesized(const Token& open) {
        if (++nesting_ > kMaxDepth) fail("it is nested too deeply");
        std::unique_ptr<Node> node = parseOr();
        expectClosing(open);
        --nesting_;
        return node;
    }

    void expectClosing(const Token& open) {
        if (lexer_.peek().kind == TokenKind::RightParen) {
            lexer_.next();
            return;
        }
        const std::string opened =
            " for the \"(\" at position " + std::to_string(open.position + 1);
        if (lexer_.peek().kind == TokenKind::End) fail("missing \")\"" + opened);
        fail("unexpected " + describeToken(lexer_.peek()) + ", expected \")\"" + opened);
    }

    std::unique_ptr<Node> parseFunction(const Token& name) {
        if (!equalIgnoringCase(name.text, "DTOS"))
            fail("the function " + std::string(name.text) + "() is outside the supported subset");
        const Token open = lexer_.next();
        const Token argument = lexer_.next();
        if (argument.kind != TokenKind::Name || lexer_.peek().kind == TokenKind::LeftParen)
            fail("DTOS() takes the name of a date field, not " + describeToken(argument));
        const FieldDef& field = findField(argument);
        if (field.type != 'D')
            fail("DTOS() takes a date field, and " + std::string(argument.text) + " is not one");
        expectClosing(open);
        Operand operand = fieldOperand(field, Type::Character);
        operand.field = nullptr;  // a function of a field, not the field itself
        return valueNode(std::move(operand));
    }

    std::unique_ptr<Node> fieldNode(const Token& name) {
        const FieldDef& field = findField(name);
        switch (field.type) {
            case 'C':
                return valueNode(fieldOperand(field, Type::Character));
            case 'D':
                return valueNode(fieldOperand(field, Type::Date));
            case 'N':
            case 'F':
                return valueNode(fieldOperand(field, Type::Numeric));
            case 'L': {
                if (field.length == 0) fail("the logical field " + field.name + " has no width");
                auto node = valueNode(fieldOperand(field, Type::Logical));
                node->kind = Node::Kind::LogicalField;
                return node;
            }
            default:
                fail("the field " + field.name + " is of type " + std::string(1, field.type) +
                     ", which is outside the supported subset");
        }
    }

    const FieldDef& findField(const Token& name) const {
        const FieldDef* field = fields_.find(name.text);
        if (field == nullptr) fail("the table has no field " + std::string(name.text));
        if (field->type == 'D' && field->length != 8)
            fail("the date field " + field->name + " is not 8 characters wide");
        return *field;
    }

    static Operand fieldOperand(const FieldDef& field, Type type) {
        Operand operand;
        operand.type = type;
        operand.field = &field;
        operand.inRecord = true;
        operand.offset = field.offset;
        operand.length = field.length;
        return operand;
    }

    static std::unique_ptr<Node> valueNode(Operand operand) {
        auto node = std::make_unique<Node>();
        node->left = std::move(operand);
        return node;
    }

    void requireCondition(const Node& node, const Token& op, const std::string& side) const {
        if (node.type() != Type::Logical)
            fail("the " + side + "operand of \"" + std::string(op.text) + "\" at position " +
                 std::to_string(op.position + 1) + " is not a condition");
    }

    std::unique_ptr<Node> join(Node::Kind kind, const Token& op, std::unique_ptr<Node> left,
                               std::unique_ptr<Node> right) const {
        requireCondition(*left, op, "left ");
        requireCondition(*right, op, "right ");
        return withChildren(kind, std::move(left), std::move(right));
    }

    std::unique_ptr<Node> withChildren(Node::Kind kind, std::unique_ptr<Node> first,
                                       std::unique_ptr<Node> second) const {
        auto node = std::make_unique<Node>();
        node->kind = kind;
        node->depth = 1 + std::max(first->depth, second ? second->depth : 0);
        if (node->depth > kMaxDepth) fail("it is nested too deeply");
        node->first = std::move(first);
        node->second = std::move(second);
        return node;
    }

    std::string_view text_;
    const FieldList& fields_;
    ExpressionLexer lexer_;
    int nesting_ = 0;
};

Expression::Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;
Expression::~Expression() = default;

Expression Expression::parse(std::string_view text, const FieldList& fields) {
    Expression expression;
    expression.root_ = Parser(text, fields).parseWhole();
    expression.text_ = std::string(text);
    const Node& root = *expression.root_;
    expression.type_ = root.type();
    if (root.kind == Node::Kind::Value || root.kind == Node::Kind::LogicalField) {
        expression.field_ = root.left.field;
        expression.width_ = root.left.inRecord ? root.left.length : root.left.literal.size();
    } else {
        expression.width_ = 1;
    }
    return expression;
}

const std::string& Expression::text() const {
    return text_;
}
Expression::Type Expression::type() const {
    return type_;
}
std::size_t Expression::width() const {
    return width_;
}
const FieldDef* Expression::field() const {
    return field_;
}

bool Expression::test(const char* record) const {
    if (type_ != Type::Logical) throwBadExpression(text_, "it is not a condition");
    return root_->test(record);
}

std::string Expression::value(const char* record) const {
    return std::string(view(record));
}

std::string_view Expression::view(const char* record) const {
    if (type_ == Type::Logical) throwBadExpression(text_, "a logical value cannot serve as a key");
    return root_->left.bytes(record);
}

}  // namespace marklift
