// libFuzzer target: any text parsed as a filter or key against a fixed table
// layout, then evaluated on a fixed record. Only EXbaseError(BadExpression)
// naming the text may come out, and the answers must agree with each other.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables/expression.h"
#include "tables/xbase_error.h"

namespace {

using marklift::Expression;

const marklift::FieldList& zoltFields() {
    static const marklift::FieldList fields({
        {"SSN", 'C', 11},
        {"LNAME", 'C', 15},
        {"CODE", 'C', 4},
        {"DATE", 'D', 8},
        {"RETEST", 'C', 1},
        {"DUPLICATE", 'L', 1},
        {"SCORE", 'N', 6, 1},
        {"NOTES", 'M', 10},
        {"EMPTY", 'C', 0},
    });
    return fields;
}

// Exactly one record long, so that AddressSanitizer sees any read past it.
std::vector<char> zoltRecord() {
    const std::string bytes = " 102-00-3507O'BRIEN \"JR\"   EN0520040413nT  12.5          ";
    std::vector<char> record(zoltFields().recordLength(), ' ');
    for (std::size_t i = 0; i < record.size() && i < bytes.size(); ++i) record[i] = bytes[i];
    return record;
}

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// The message shows control characters other than blanks as \xNN.
bool showsUnchanged(std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != ' ' && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F)
            return false;
    }
    return true;
}

void checkRefusal(const marklift::EXbaseError& error, std::string_view text) {
    check(error.code() == marklift::XbaseErrorCode::BadExpression);
    const std::string_view message = error.what();
    check(message.starts_with("Invalid expression \""));
    if (showsUnchanged(text)) check(message.find(text) != std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<char> record = zoltRecord();
    try {
        const Expression expression = Expression::parse(text, zoltFields());
        check(expression.text() == text);
        if (expression.type() == Expression::Type::Logical) {
            const bool result = expression.test(record.data());
            try {
                expression.value(record.data());
                check(false);
            } catch (const marklift::EXbaseError& e) {
                checkRefusal(e, text);
            }
            // A complete condition wrapped in .not.( ) must give the opposite
            // answer, unless the wrapping nests it too deeply.
            const std::string negated = ".not.(" + std::string(text) + ")";
            try {
                check(Expression::parse(negated, zoltFields()).test(record.data()) == !result);
            } catch (const marklift::EXbaseError& e) {
                checkRefusal(e, negated);
            }
        } else {
            check(expression.value(record.data()).size() == expression.width());
            try {
                expression.test(record.data());
                check(false);
            } catch (const marklift::EXbaseError& e) {
                checkRefusal(e, text);
            }
        }
    } catch (const marklift::EXbaseError& e) {
        checkRefusal(e, text);
    }
    return 0;
}
