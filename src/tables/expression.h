// The xBase expressions Marklift uses for filters and index keys, parsed once
// against a table's fields and then evaluated on raw record bytes:
//
//   key       := FIELD                        (C, D or N field)
//              | DTOS(DATEFIELD)              (yyyymmdd, eight blanks when blank)
//   condition := LOGICALFIELD
//              | operand op operand            op: = <> # == != < > <= >=
//              | condition .and. condition | condition .or. condition
//              | .not. condition | (condition)
//   operand   := FIELD | DTOS(DATEFIELD) | "literal" | 'literal' | number
//
// Names are matched without regard to case, as are .AND./.and. and DTOS.
// With exact matching off (always, as xBase's default), = and <> compare only
// as many characters as the right-hand operand has; == compares whole texts.
// Ordered comparisons compare texts padded with blanks to equal length;
// numeric fields and numbers compare as numbers.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "tables/field.h"

namespace marklift {

class Expression {
public:
    enum class Type { Character, Date, Logical, Numeric };

    // Throws EXbaseError(BadExpression) whose text names the expression, for
    // anything outside the subset or a field the table lacks.
    static Expression parse(std::string_view text, const FieldList& fields);

    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;
    ~Expression();

    const std::string& text() const;
    Type type() const;
    // Width of a key's value: a field's length; 8 for DTOS and dates.
    std::size_t width() const;
    // The field when the expression is a bare field name, else nullptr.
    const FieldDef* field() const;

    // A Logical expression's value for the record. Throws
    // EXbaseError(BadExpression) for any other type.
    bool test(const char* record) const;
    // A key's value for the record, as stored: padded text for characters,
    // yyyymmdd or eight blanks for dates, the stored text for numbers.
    // Throws EXbaseError(BadExpression) for a Logical expression.
    std::string value(const char* record) const;
    // The same without a copy: a view of the record's bytes (or of the
    // expression's own literal).
    std::string_view view(const char* record) const;

private:
    struct Node;
    class Parser;
    Expression();
    std::string text_;
    std::unique_ptr<Node> root_;
    Type type_ = Type::Logical;
    std::size_t width_ = 0;
    const FieldDef* field_ = nullptr;
};

}  // namespace marklift
