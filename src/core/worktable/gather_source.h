// Which of ZOLT's tables a kind of record is gathered from, under which
// filter, and what the status line says meanwhile.
#pragma once

#include <string>

namespace marklift {

enum class RecordKind { Placement, Assessment, Score };

struct GatherSource {
    std::string tableName;  // in the testing period's directory
    std::string filter;     // empty: every record is taken
    std::string status;     // the status line while the records are copied
};

// Temporary tables take the run filter alone. Master tables leave out
// duplicate placements and assessments or scores marked as retests: the run
// filter followed directly by ".and. duplicate" (no blank, as the program
// always composed it) or by " .and. (retest <> \"N\")", or those conditions
// alone when the run filter is empty.
GatherSource ChooseGatherSource(RecordKind kind, bool searchTemporary,
                                const std::string& runFilter);

}  // namespace marklift
