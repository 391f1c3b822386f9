// The texts of the upload file's progress window, apart from the window so
// they can be checked without one: record counts, kilobytes written and the
// rate, the time still to go and the percentage done.
#pragma once

#include <cstdint>
#include <string>

#include "core/config/clock.h"

namespace marklift {

// The user's separators for numbers, as the window takes them from the
// system's locale.
struct NumberSeparators {
    std::string thousands = ",";
    std::string decimal = ".";
};

// What the window shows before the first refresh.
inline constexpr char kInitialBytesText[] = "0K written";
inline constexpr char kInitialTimeText[] = "00:00:00 remaining";
inline constexpr char kInitialPercentageText[] = "0%";

// `value` by the pattern "###,##0.0": thousands grouped, exactly one
// decimal, at least one digit before the decimal separator.
std::string FormatOneDecimal(double value, const NumberSeparators& separators);

// From `from` to `to`, whole days included.
std::int64_t MillisecondsBetween(const LocalDateTime& from, const LocalDateTime& to);

// "0 of " + total, at the start of a run.
std::string StartRecordsText(std::int64_t total);
// "250 of 1000 records".
std::string RecordsText(std::int64_t records, std::int64_t total);
// Kilobytes written and the rate over the whole seconds elapsed (at least
// one): "1,234.5K written (61.7K/s)".
std::string BytesText(std::int64_t bytes, std::int64_t elapsedMs,
                      const NumberSeparators& separators);
// The time still to go at the pace so far, "hh:nn:ss remaining";
// "00:00:00 remaining" before the first record.
std::string RemainingTimeText(std::int64_t records, std::int64_t total, std::int64_t elapsedMs);
// The share done by the pattern "##0", then "%".
std::string PercentageText(std::int64_t records, std::int64_t total);

}  // namespace marklift
