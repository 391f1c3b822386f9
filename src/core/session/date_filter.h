// The xBase filter that limits ZOLT's records to a range of test dates,
// composed the same way by Find, Auto Prepare and the automatic export.
#pragma once

#include <string>

#include "tables/date.h"

namespace marklift {

// (DTOS(Date) >= "yyyymmdd") .and. (DTOS(Date) <= "yyyymmdd"), both ends
// included.
std::string ComposeDateFilter(Date begin, Date end);

}  // namespace marklift
