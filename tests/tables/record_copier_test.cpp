// Copying records between layouts by field name: byte copies joined across
// adjacent fields must still land each field where the destination keeps it.
#include "tables/record_copier.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tables/field_definition.h"

namespace marklift {
namespace {

// A source record whose every field is filled with its own letter, then the
// copy, as the destination's bytes.
std::string copied(const char* fromLayout, const char* toLayout) {
    const FieldList from = parseFieldDefinitions(fromLayout);
    const FieldList to = parseFieldDefinitions(toLayout);
    std::string in(from.recordLength(), ' ');
    for (const FieldDef& field : from.fields())
        in.replace(field.offset, field.length, field.length, field.name[0]);
    std::string out(to.recordLength(), '?');
    RecordCopier(from, to).copy(in.data(), out.data());
    return out;
}

TEST(RecordCopier, PutsEveryFieldWhereTheDestinationKeepsIt) {
    struct Case {
        const char* from;
        const char* to;
        std::string expected;  // deletion flag first
    };
    const Case cases[] = {
        {"A,C,2,0;B,C,3,0;C,C,1,0;", "A,C,2,0;B,C,3,0;C,C,1,0;", " AABBBC"},
        {"A,C,2,0;B,C,3,0;C,C,1,0;", "C,C,1,0;A,C,2,0;B,C,3,0;", " CAABBB"},
        // Cut and widened fields break a run: the next field starts afresh.
        {"A,C,2,0;B,C,3,0;C,C,1,0;", "A,C,2,0;B,C,2,0;C,C,1,0;", " AABBC"},
        {"A,C,2,0;B,C,3,0;C,C,1,0;", "A,C,2,0;B,C,4,0;C,C,1,0;", " AABBB C"},
        // A field the source lacks is blank between two copied ones.
        {"A,C,2,0;C,C,1,0;", "A,C,2,0;B,C,3,0;C,C,1,0;", " AA   C"},
        {"A,C,2,0;B,C,3,0;C,C,1,0;", "A,C,2,0;C,C,1,0;", " AAC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(copied(c.from, c.to), c.expected) << c.from << " -> " << c.to;
}

}  // namespace
}  // namespace marklift
