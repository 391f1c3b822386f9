// Copies one table's records into another's layout by field name: the plan
// is worked out once, then applied to each record's bytes.
#pragma once

#include <vector>

#include "tables/field.h"

namespace marklift {

class RecordCopier {
public:
    RecordCopier(const FieldList& from, const FieldList& to);

    // Writes a whole, not-deleted destination record into `out`: fields the
    // source lacks are blank, like kinds are converted, text is cut to width.
    void copy(const char* in, char* out) const;

private:
    enum class Kind { Bytes, Number, ViaText };
    struct Step {
        const FieldDef* from;
        const FieldDef* to;
        Kind kind;
        // Bytes only: one copy that may span several adjacent fields.
        std::size_t fromOffset = 0, toOffset = 0, length = 0;
    };
    // Joins runs of byte copies that are adjacent in both layouts, so that
    // tables of one layout copy a record in one move.
    void joinAdjacentByteCopies();
    std::vector<Step> steps_;
    std::vector<char> blank_;
};

}  // namespace marklift
