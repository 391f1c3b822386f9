// The program's one date type: whole days since the zero date 1899-12-30,
// which is also what an empty date picker and a blank date field read as.
// All conversions to and from text live here.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace marklift {

class Date {
public:
    constexpr Date() = default;
    constexpr explicit Date(std::int32_t daysSinceZero) : days_(daysSinceZero) {}

    // Throws std::invalid_argument for a day that does not exist.
    static Date fromYmd(int year, int month, int day);
    static bool isValidYmd(int year, int month, int day);

    std::int32_t days() const { return days_; }
    bool isZero() const { return days_ == 0; }
    int year() const;
    int month() const;
    int day() const;

    // "yyyymmdd", eight digits.
    std::string toYyyymmdd() const;
    // Eight digits forming a real date; nothing for anything else (blanks included).
    static std::optional<Date> fromYyyymmdd(std::string_view text);

    // The program's short date format, "MM/dd/yyyy".
    std::string toShortText() const;
    // Month/day/year with one or two digits for month and day; a year of
    // two digits falls in 1950..2049. Blanks around the text are ignored.
    static std::optional<Date> fromShortText(std::string_view text);

    auto operator<=>(const Date&) const = default;

private:
    std::int32_t days_ = 0;
};

}  // namespace marklift
