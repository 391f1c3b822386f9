// Which table each kind of record is gathered from and the exact filter text
// composed for it: the joining pieces differ between placement and the rest.
#include "core/worktable/gather_source.h"

#include <gtest/gtest.h>

using namespace marklift;

namespace {

const std::string kRange = "(DTOS(Date) >= \"20040301\") .and. (DTOS(Date) <= \"20040331\")";

struct Case {
    RecordKind kind;
    bool temporary;
    std::string runFilter;
    std::string table;
    std::string filter;
    std::string status;
};

TEST(GatherSource, TableFilterAndStatusForEveryKindAndSource) {
    const Case cases[] = {
        {RecordKind::Placement, true, "", "PlacTemp", "", "Adding Placement Records"},
        {RecordKind::Placement, true, kRange, "PlacTemp", kRange, "Adding Placement Records"},
        {RecordKind::Placement, false, "", "Place", "duplicate", "Adding Placement Records"},
        {RecordKind::Placement, false, kRange, "Place",
         "(DTOS(Date) >= \"20040301\") .and. (DTOS(Date) <= \"20040331\").and. duplicate",
         "Adding Placement Records"},
        {RecordKind::Assessment, true, "", "Assetemp", "", "Adding Assessment Records"},
        {RecordKind::Assessment, true, kRange, "Assetemp", kRange, "Adding Assessment Records"},
        {RecordKind::Assessment, false, "", "Assess", "(retest <> \"N\")",
         "Adding Assessment Records"},
        {RecordKind::Assessment, false, kRange, "Assess",
         "(DTOS(Date) >= \"20040301\") .and. (DTOS(Date) <= \"20040331\") .and. (retest <> \"N\")",
         "Adding Assessment Records"},
        {RecordKind::Score, true, "", "Scortemp", "", "Adding Score Records"},
        {RecordKind::Score, true, kRange, "Scortemp", kRange, "Adding Score Records"},
        {RecordKind::Score, false, "", "Scores", "(retest <> \"N\")", "Adding Score Records"},
        {RecordKind::Score, false, kRange, "Scores",
         "(DTOS(Date) >= \"20040301\") .and. (DTOS(Date) <= \"20040331\") .and. (retest <> \"N\")",
         "Adding Score Records"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table + (c.runFilter.empty() ? " all dates" : " range"));
        const GatherSource source = ChooseGatherSource(c.kind, c.temporary, c.runFilter);
        EXPECT_EQ(source.tableName, c.table);
        EXPECT_EQ(source.filter, c.filter);
        EXPECT_EQ(source.status, c.status);
    }
}

}  // namespace
