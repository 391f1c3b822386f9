// A table's field list: where each field sits inside a record, and finding a
// field by the name a user or an expression gives it.
#include <cctype>

#include "tables/field.h"

namespace marklift {
namespace {

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

FieldList::FieldList(std::vector<FieldDef> fields) : fields_(std::move(fields)) {
    std::uint32_t offset = 1;  // byte 0 is the deletion flag
    for (FieldDef& field : fields_) {
        field.offset = offset;
        offset += field.length;
    }
    recordLength_ = offset;
}

const FieldDef* FieldList::find(std::string_view name) const {
    for (const FieldDef& field : fields_) {
        if (sameNameIgnoringCase(field.name, name)) return &field;
    }
    return nullptr;
}

}  // namespace marklift
