#include "core/preparation/auto_prep_schedule.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "core/session/console_user_interface.h"
#include "core/session/date_filter.h"

namespace marklift {
namespace {

constexpr int kHoursPerDay = 24;

// Marks a run in progress for as long as it lasts, whichever way it ends.
class RunInProgress {
public:
    explicit RunInProgress(bool& running) : running_(running) { running_ = true; }
    ~RunInProgress() { running_ = false; }
    RunInProgress(const RunInProgress&) = delete;
    RunInProgress& operator=(const RunInProgress&) = delete;

private:
    bool& running_;
};

}  // namespace

AutoPrepSchedule::AutoPrepSchedule(const Clock& clock, std::string dateFilter, Runner run,
                                   TimeFormatter formatTime)
    : clock_(clock),
      dateFilter_(std::move(dateFilter)),
      run_(std::move(run)),
      formatTime_(std::move(formatTime)),
      runFilter_(dateFilter_) {}

std::string AutoPrepSchedule::LongTimeText(const LocalDateTime& time) {
    const int hour12 = time.hours % 12 == 0 ? 12 : time.hours % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour12, time.minutes, time.seconds,
                  time.hours < 12 ? "AM" : "PM");
    return text;
}

void AutoPrepSchedule::FormActivate(int selectedHour, const std::string& fileName, int dateChoice) {
    selectedHour_ = selectedHour;
    hourText_ = selectedHour >= 0 && selectedHour < kHoursPerDay ? kHourItems[selectedHour] : "";
    fileName_ = fileName;
    dateChoice_ = dateChoice;
    EnableButtons(selectedHour_ >= 0 && !fileName_.empty());
}

void AutoPrepSchedule::ComboBox1Change(int selectedHour, const std::string& hourText) {
    selectedHour_ = selectedHour;
    hourText_ = hourText;
    EnableButtons(!hourText_.empty() && !fileName_.empty());
}

void AutoPrepSchedule::Edit2Change(const std::string& fileName) {
    fileName_ = fileName;
    EnableButtons(!hourText_.empty() && !fileName_.empty());
}

void AutoPrepSchedule::rgdateClick(int dateChoice) {
    dateChoice_ = dateChoice;
}

void AutoPrepSchedule::btnActivateClick() {
    if (activeShown_) {
        view_.hourCheckOn = false;
        ShowInactiveState();
        scheduleArmed_ = false;
    } else {
        view_.hourCheckOn = true;
        ShowActiveState();
        scheduleArmed_ = true;
    }
}

void AutoPrepSchedule::btnExportClick() {
    // A second click while the first run still goes adds nothing: that run
    // writes the same file.
    if (running_) return;
    view_.status = RunForStatus(kStatusPrepared);
}

void AutoPrepSchedule::Timer1Timer() {
    // Handled during another run, the hour check stays on and starts its own
    // run at the first tick after that one, still within the hour.
    if (!view_.hourCheckOn || running_) return;
    if (clock_.now().hours != selectedHour_) return;
    // Off before the run, so the run happens once in the hour; whatever the
    // run did, the clock tick of the next hour arms it for the next day.
    view_.hourCheckOn = false;
    const std::string status = RunForStatus(kStatusCompleted);
    ShowInactiveState();
    view_.status = status;
}

void AutoPrepSchedule::Timer2Timer() {
    const LocalDateTime now = clock_.now();
    if (scheduleArmed_ && now.hours == (selectedHour_ + 1) % kHoursPerDay) {
        view_.hourCheckOn = true;
        ShowActiveState();
    }
    view_.timeLabel = "Current Time: " + formatTime_(now);
    view_.dateLabel = "Current Date: " + now.date.toShortText();
}

std::optional<RunOutcome> AutoPrepSchedule::PrepareAndExport() {
    if (running_) return std::nullopt;
    RunInProgress inProgress(running_);
    if (dateChoice_ == kCurrentDate) {
        const Date today = clock_.now().date;
        runFilter_ = ComposeDateFilter(today, today);
    } else {
        runFilter_ = dateFilter_;
    }
    return run_(runFilter_);
}

std::string AutoPrepSchedule::RunForStatus(const char* writtenText) {
    std::optional<RunOutcome> ran;
    try {
        ran = PrepareAndExport();
    } catch (const std::exception& error) {
        return OneLine(error.what());
    }
    if (!ran) return view_.status;
    std::string status;
    switch (ran->outcome) {
        case ExportOutcome::Written:
            status = writtenText;
            break;
        case ExportOutcome::WriterFailed:
            status = kExportFailedMessage;
            break;
        case ExportOutcome::NothingSelected:
            status = kNothingSelectedMessage;
            break;
    }
    if (!ran->runLogError.empty()) status += " (" + ran->runLogError + ")";
    return status;
}

void AutoPrepSchedule::ShowActiveState() {
    activeShown_ = true;
    view_.activateCaption = kDeactivateCaption;
    view_.status = kStatusActive;
    view_.settingsEnabled = false;
    view_.exportEnabled = false;
}

void AutoPrepSchedule::ShowInactiveState() {
    activeShown_ = false;
    view_.activateCaption = kActivateCaption;
    view_.status = kStatusInactive;
    view_.settingsEnabled = true;
    view_.exportEnabled = true;
}

void AutoPrepSchedule::EnableButtons(bool enabled) {
    view_.activateEnabled = enabled;
    view_.exportEnabled = enabled;
}

}  // namespace marklift
