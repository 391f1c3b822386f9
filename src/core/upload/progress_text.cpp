#include "core/upload/progress_text.h"

#include <cmath>

namespace marklift {
namespace {

constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kMsPerDay = 24 * 60 * 60 * kMsPerSecond;

std::int64_t timeOfDayMs(const LocalDateTime& t) {
    return ((t.hours * 60LL + t.minutes) * 60 + t.seconds) * kMsPerSecond + t.milliseconds;
}

// The elapsed time's whole seconds within a day, milliseconds dropped; a
// rate is never divided by less than one second.
std::int64_t wholeSeconds(std::int64_t elapsedMs) {
    const std::int64_t seconds = (elapsedMs % kMsPerDay) / kMsPerSecond;
    return seconds > 0 ? seconds : 1;
}

// Records visited as a percentage of the total.
double percentDone(std::int64_t records, std::int64_t total) {
    return static_cast<double>(records) / (static_cast<double>(total) / 100.0);
}

std::string twoDigits(std::int64_t value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// A span as the time of day it amounts to: "hh:nn:ss".
std::string timeOfDayText(double spanMs) {
    const std::int64_t ms = std::llround(std::fabs(spanMs)) % kMsPerDay;
    const std::int64_t seconds = ms / kMsPerSecond;
    return twoDigits(seconds / 3600) + ":" + twoDigits(seconds / 60 % 60) + ":" +
           twoDigits(seconds % 60);
}

}  // namespace

std::string FormatOneDecimal(double value, const NumberSeparators& separators) {
    const std::int64_t tenths = std::llround(std::fabs(value) * 10.0);
    const std::string digits = std::to_string(tenths / 10);
    std::string text;
    if (value < 0 && tenths != 0) text = "-";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += separators.thousands;
        text += digits[i];
    }
    return text + separators.decimal + std::to_string(tenths % 10);
}

std::int64_t MillisecondsBetween(const LocalDateTime& from, const LocalDateTime& to) {
    return (static_cast<std::int64_t>(to.date.days()) - from.date.days()) * kMsPerDay +
           timeOfDayMs(to) - timeOfDayMs(from);
}

std::string StartRecordsText(std::int64_t total) {
    return "0 of " + std::to_string(total);
}

std::string RecordsText(std::int64_t records, std::int64_t total) {
    return std::to_string(records) + " of " + std::to_string(total) + " records";
}

std::string BytesText(std::int64_t bytes, std::int64_t elapsedMs,
                      const NumberSeparators& separators) {
    const double kilobytes = static_cast<double>(bytes) / 1024.0;
    const double rate = kilobytes / static_cast<double>(wholeSeconds(elapsedMs));
    return FormatOneDecimal(kilobytes, separators) + "K written (" +
           FormatOneDecimal(rate, separators) + "K/s)";
}

std::string RemainingTimeText(std::int64_t records, std::int64_t total, std::int64_t elapsedMs) {
    if (records <= 0 || total <= 0) return kInitialTimeText;
    const double percent = percentDone(records, total);
    const double remainingMs = static_cast<double>(elapsedMs) / percent * (100.0 - percent);
    return timeOfDayText(remainingMs) + " remaining";
}

std::string PercentageText(std::int64_t records, std::int64_t total) {
    if (total <= 0) return kInitialPercentageText;
    return std::to_string(std::llround(percentDone(records, total))) + "%";
}

}  // namespace marklift
