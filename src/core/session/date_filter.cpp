#include "core/session/date_filter.h"

namespace marklift {

std::string ComposeDateFilter(Date begin, Date end) {
    return "(DTOS(Date) >= \"" + begin.toYyyymmdd() + "\") .and. (DTOS(Date) <= \"" +
           end.toYyyymmdd() + "\")";
}

}  // namespace marklift
