#include "core/worktable/gather_source.h"

namespace marklift {
namespace {

struct KindTables {
    const char* temporaryTable;
    const char* masterTable;
    const char* masterCondition;
    const char* joiner;  // between the run filter and the master condition
    const char* status;
};

const KindTables& TablesOf(RecordKind kind) {
    static const KindTables kPlacement{"PlacTemp", "Place", "duplicate", ".and. ",
                                       "Adding Placement Records"};
    static const KindTables kAssessment{"Assetemp", "Assess", "(retest <> \"N\")", " .and. ",
                                        "Adding Assessment Records"};
    static const KindTables kScore{"Scortemp", "Scores", "(retest <> \"N\")", " .and. ",
                                   "Adding Score Records"};
    switch (kind) {
        case RecordKind::Placement:
            return kPlacement;
        case RecordKind::Assessment:
            return kAssessment;
        case RecordKind::Score:
            break;
    }
    return kScore;
}

}  // namespace

GatherSource ChooseGatherSource(RecordKind kind, bool searchTemporary,
                                const std::string& runFilter) {
    const KindTables& tables = TablesOf(kind);
    if (searchTemporary) return {tables.temporaryTable, runFilter, tables.status};
    std::string filter = runFilter.empty() ? std::string(tables.masterCondition)
                                           : runFilter + tables.joiner + tables.masterCondition;
    return {tables.masterTable, filter, tables.status};
}

}  // namespace marklift
