// The testing period an entry of PeriodChoices stands for. The list holds
// only the periods found, in order ("1. FALL" ... "9. SPRING", "11. LATE"
// when period 10 is missing), so an entry's position names its period only
// while none is missing; its number always does.
#pragma once

#include <string>

namespace marklift {

// The number the entry begins with ("11. LATE" gives 11); 0 when it begins
// with none.
int PeriodOfChoice(const std::string& choice);

}  // namespace marklift
