#include "tables/date.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace marklift {
namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's
// civil-day algorithms).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Ymd {
    int year;
    int month;
    int day;
};

Ymd civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr std::int64_t kZeroDate = daysFromCivil(1899, 12, 30);

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

bool allDigits(std::string_view s) {
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return !s.empty();
}

// `value` (0 or more) as `width` digits, leading zeros included; dates are
// turned into text for every field of every record, so no printf here.
void putDigits(char* out, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
}

int toInt(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

}  // namespace

bool Date::isValidYmd(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

Date Date::fromYmd(int year, int month, int day) {
    if (!isValidYmd(year, month, day)) throw std::invalid_argument("not a date");
    return Date(static_cast<std::int32_t>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kZeroDate));
}

int Date::year() const {
    return civilFromDays(days_ + kZeroDate).year;
}
int Date::month() const {
    return civilFromDays(days_ + kZeroDate).month;
}
int Date::day() const {
    return civilFromDays(days_ + kZeroDate).day;
}

std::string Date::toYyyymmdd() const {
    const Ymd ymd = civilFromDays(days_ + kZeroDate);
    // Years outside 0..9999 keep every digit, as printf would write them.
    if (ymd.year < 0 || ymd.year > 9999) {
        char text[24];
        std::snprintf(text, sizeof text, "%04d%02d%02d", ymd.year, ymd.month, ymd.day);
        return text;
    }
    std::string text(8, '0');
    putDigits(text.data(), ymd.year, 4);
    putDigits(text.data() + 4, ymd.month, 2);
    putDigits(text.data() + 6, ymd.day, 2);
    return text;
}

std::optional<Date> Date::fromYyyymmdd(std::string_view text) {
    if (text.size() != 8 || !allDigits(text)) return std::nullopt;
    int y = toInt(text.substr(0, 4)), m = toInt(text.substr(4, 2)), d = toInt(text.substr(6, 2));
    if (!isValidYmd(y, m, d)) return std::nullopt;
    return fromYmd(y, m, d);
}

std::string Date::toShortText() const {
    const Ymd ymd = civilFromDays(days_ + kZeroDate);
    if (ymd.year < 0 || ymd.year > 9999) {
        char text[24];
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", ymd.month, ymd.day, ymd.year);
        return text;
    }
    std::string text = "00/00/0000";
    putDigits(text.data(), ymd.month, 2);
    putDigits(text.data() + 3, ymd.day, 2);
    putDigits(text.data() + 6, ymd.year, 4);
    return text;
}

std::optional<Date> Date::fromShortText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    std::size_t first = text.find('/');
    if (first == std::string_view::npos) return std::nullopt;
    std::size_t second = text.find('/', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    std::string_view m = text.substr(0, first);
    std::string_view d = text.substr(first + 1, second - first - 1);
    std::string_view y = text.substr(second + 1);
    if (!allDigits(m) || !allDigits(d) || !allDigits(y)) return std::nullopt;
    if (m.size() > 2 || d.size() > 2 || (y.size() != 2 && y.size() != 4)) return std::nullopt;
    int year = toInt(y);
    if (y.size() == 2) year += year >= 50 ? 1900 : 2000;
    if (!isValidYmd(year, toInt(m), toInt(d))) return std::nullopt;
    return fromYmd(year, toInt(m), toInt(d));
}

}  // namespace marklift
