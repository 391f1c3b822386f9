// The one kind of error the table engine raises. Its text names the file
// (and the record or page where there is one) so a person can act on it.
#pragma once

#include <stdexcept>
#include <string>

namespace marklift {

enum class XbaseErrorCode {
    OpenFailed = 1001,  // file missing, no access, or locked by another opener
    BadHeader = 1002,   // a .dbf header or field list that cannot be trusted
    BadIndex = 1003,    // a damaged .ntx or .cdx (bad page, pointer, loop)
    BadFieldDefinition = 1004,
    BadExpression = 1005,  // outside the supported subset, or a field the table lacks
    NoSuchField = 1006,
    NoSuchOrder = 1007,
    NumericOutOfRange = 1008,
    NotOpen = 1009,
    NotExclusive = 1010,
    ReadOnly = 1011,
    IoError = 1012,
    BadState = 1013,  // an operation that the table's state does not allow
    BadValue = 1014,  // a value that does not fit the field's kind
};

class EXbaseError : public std::runtime_error {
public:
    EXbaseError(XbaseErrorCode code, const std::string& text)
        : std::runtime_error(text), code_(code) {}
    XbaseErrorCode code() const { return code_; }

private:
    XbaseErrorCode code_;
};

}  // namespace marklift
