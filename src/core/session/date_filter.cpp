#include "core/session/date_filter.h"

namespace marklift {
namespace {

constexpr char kBeforeBegin[] = "(DTOS(Date) >= \"";
constexpr char kBetween[] = "\") .and. (DTOS(Date) <= \"";
constexpr char kAfterEnd[] = "\")";
constexpr std::size_t kDateLength = 8;

}  // namespace

std::string ComposeDateFilter(Date begin, Date end) {
    return kBeforeBegin + begin.toYyyymmdd() + kBetween + end.toYyyymmdd() + kAfterEnd;
}

std::optional<std::pair<Date, Date>> DateFilterRange(const std::string& filter) {
    const std::string before = kBeforeBegin;
    const std::string between = kBetween;
    const std::string after = kAfterEnd;
    if (filter.size() != before.size() + between.size() + after.size() + 2 * kDateLength)
        return std::nullopt;
    const std::size_t endAt = before.size() + kDateLength + between.size();
    if (filter.compare(0, before.size(), before) != 0 ||
        filter.compare(before.size() + kDateLength, between.size(), between) != 0 ||
        filter.compare(endAt + kDateLength, after.size(), after) != 0)
        return std::nullopt;
    const auto begin = Date::fromYyyymmdd(filter.substr(before.size(), kDateLength));
    const auto end = Date::fromYyyymmdd(filter.substr(endAt, kDateLength));
    if (!begin || !end) return std::nullopt;
    return std::make_pair(*begin, *end);
}

}  // namespace marklift
