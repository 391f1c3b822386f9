// The xBase filter that limits ZOLT's records to a range of test dates,
// composed the same way by Find, Auto Prepare and the automatic export.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "tables/date.h"

namespace marklift {

// (DTOS(Date) >= "yyyymmdd") .and. (DTOS(Date) <= "yyyymmdd"), both ends
// included.
std::string ComposeDateFilter(Date begin, Date end);

// The begin and end of a filter ComposeDateFilter made; nothing for any
// other text (the empty filter of all dates among them).
std::optional<std::pair<Date, Date>> DateFilterRange(const std::string& filter);

}  // namespace marklift
