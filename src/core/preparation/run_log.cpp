#include "core/preparation/run_log.h"

#include <cstdio>
#include <vector>

#include "core/config/program_settings.h"
#include "core/session/date_filter.h"
#include "core/session/program_error.h"
#include "platform/file.h"
#include "platform/paths.h"

namespace marklift {
namespace {

constexpr char kSeparator[] = " | ";

std::string TimeText(const LocalDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.date.year(),
                  time.date.month(), time.date.day(), time.hours, time.minutes, time.seconds);
    return text;
}

// "DELVTP1\" gives "1"; a directory of another shape is shown as it is.
std::string PeriodText(const std::string& periodDir) {
    const std::string prefix = "DELVTP";
    if (periodDir.size() > prefix.size() + 1 && periodDir.starts_with(prefix) &&
        periodDir.back() == '\\')
        return periodDir.substr(prefix.size(), periodDir.size() - prefix.size() - 1);
    return periodDir;
}

std::string DatesText(const std::string& runFilter) {
    if (runFilter.empty()) return "all";
    if (const auto range = DateFilterRange(runFilter))
        return range->first.toShortText() + "-" + range->second.toShortText();
    return runFilter;
}

// The names of the flags that are set, comma-separated; "none" for none.
std::string ListText(const std::vector<std::pair<const char*, bool>>& flags) {
    std::string text;
    for (const auto& [name, set] : flags) {
        if (!set) continue;
        if (!text.empty()) text += ",";
        text += name;
    }
    return text.empty() ? "none" : text;
}

std::string FormatText(int fileFormat) {
    const char* names[] = {"fixed", "pipe", "comma", "tab"};
    if (fileFormat >= 0 && fileFormat < 4) return names[fileFormat];
    return std::to_string(fileFormat);
}

}  // namespace

std::string RunLogFileBeside(const std::string& settingsFileName) {
    const std::size_t separator = settingsFileName.find_last_of("\\/");
    const std::string directory =
        separator == std::string::npos ? "" : settingsFileName.substr(0, separator + 1);
    return directory + kRunLogFileName;
}

std::string FormatRunLogLine(const RunLogEntry& entry, const ProgramSettings& settings) {
    const std::string choices = std::string("search ") +
                                (settings.SearchTemporary ? "temporary" : "master") + "; dates " +
                                DatesText(entry.runFilter) + "; records " +
                                ListText({{"placement", settings.IncludePlacementRecords},
                                          {"assessment", settings.IncludeAssessmentRecords},
                                          {"score", settings.IncludeScoreRecords}}) +
                                "; fields " +
                                ListText({{"attempted", settings.IncludeAttempted},
                                          {"subscores", settings.IncludeSubscores},
                                          {"panda", settings.IncludePurposeAndAccommodation},
                                          {"sitecode", settings.IncludeSiteCode}}) +
                                "; format " + FormatText(settings.FileFormat);
    return TimeText(entry.started) + kSeparator + entry.caller + kSeparator + "period " +
           PeriodText(settings.PeriodDir) + kSeparator + choices + kSeparator + entry.outcome +
           kSeparator + std::to_string(entry.recordsWritten) + " records" + kSeparator + entry.file;
}

void AppendRunLogLine(const std::string& logFile, const std::string& line) {
    try {
        appendToFile(nativePath(logFile), line + "\r\n");
    } catch (const PlatformError&) {
        throw MarkliftError("Unable to write to " + logFile);
    }
}

}  // namespace marklift
