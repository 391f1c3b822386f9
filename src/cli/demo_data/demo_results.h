// ZOLT's result tables, made up over a period's testing days: placement
// results (PLACE, PLACTEMP), assessments (ASSESS, ASSETEMP) and scores
// (SCORES, SCORTEMP). Records follow the term's days in order, as ZOLT
// appends them, but for the undated ones and those dated today.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "cli/demo_data/demo_random.h"
#include "cli/demo_data/demo_students.h"
#include "cli/demo_data/demo_table.h"
#include "tables/date.h"

namespace marklift::demo {

enum class ResultKind { Placement, Assessment, Score };

struct ResultPlan {
    ResultKind kind = ResultKind::Placement;
    // A master table has one field more: DUPLICATE for placements, RETEST
    // for the others.
    bool master = false;
    std::uint32_t records = 0;
    std::span<const Date> testingDays;  // in order; not empty
    // When set, about one record in 40 is dated today instead.
    std::optional<Date> today;
};

// Each record names one of `students` (not empty), who may be missing from
// the student tables. `name` is relative to `directory`.
WrittenFile writeResultTable(const std::filesystem::path& directory, const std::string& name,
                             const ResultPlan& plan, std::span<const DemoStudent> students,
                             DemoRandom& random);

}  // namespace marklift::demo
