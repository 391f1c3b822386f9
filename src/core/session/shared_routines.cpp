#include "core/session/shared_routines.h"

#include <charconv>
#include <optional>

#include "tables/xbase_error.h"

namespace marklift {
namespace {

constexpr std::size_t kLongestDirectory = 255;
// Failures since the last question that are retried without asking: the
// question comes on the twelfth failure in a row.
constexpr int kSilentRetries = 11;

}  // namespace

std::string WithTrailingBackslash(const std::string& directory) {
    std::string result = directory.substr(0, kLongestDirectory);
    if (result.size() == kLongestDirectory || (!result.empty() && result.back() == '\\'))
        return result;
    return result + '\\';
}

std::string ZeroPad(std::int64_t value, int width) {
    std::string text;
    AppendZeroPadded(text, value, width);
    return text;
}

void AppendZeroPadded(std::string& text, std::int64_t value, int width) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<int>(end - digits);
    if (length < width) text.append(static_cast<std::size_t>(width - length), '0');
    text.append(digits, static_cast<std::size_t>(length));
}

std::string CompactSsn(const std::string& ssn) {
    auto part = [&ssn](std::size_t from, std::size_t count) {
        return from < ssn.size() ? ssn.substr(from, count) : std::string();
    };
    return part(0, 3) + part(4, 2) + part(7, 4);
}

std::string OpenRetryQuestion(const std::string& databaseName, const std::string& tableName,
                              TableType type) {
    return "Unable to open Table: " + databaseName + tableName +
           (type == TableType::ttADT ? ".ADT." : ".CDX.") + "\r\nOK to retry?";
}

bool OpenWithRetry(const std::function<void()>& attempt, const std::string& question,
                   UserInterface& ui) {
    // The busy cursor shows from a failure until the next question; the user
    // is asked with the normal cursor.
    std::optional<BusyCursor> busy;
    int failures = 0;
    std::string lastError;
    for (;;) {
        try {
            attempt();
            return true;
        } catch (const EXbaseError& error) {
            lastError = error.what();
            if (!busy) busy.emplace(ui);
        }
        if (failures < kSilentRetries) {
            ++failures;
            continue;
        }
        failures = 0;
        busy.reset();
        if (!ui.askRetry(question, kSilentRetries + 1, lastError)) {
            ui.showError("Cancelled.  The program will be terminated.");
            return false;
        }
    }
}

}  // namespace marklift
