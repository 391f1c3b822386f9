// The automatic preparation window's behaviour without its widgets: the
// daily schedule driven by the hour check and the clock tick, the rules that
// enable its buttons, and the date filter of each run. The window feeds it
// its controls' values and events and renders the AutoPrepView it keeps.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/config/clock.h"
#include "core/upload/prepare_export_file.h"

namespace marklift {

// The hour items of the window's drop-down box; an item's index is its hour.
inline constexpr const char* kHourItems[24] = {
    "12:00 Midnight", "  1:00 AM  ", "  2:00 AM", "  3:00 AM", "  4:00 AM", "  5:00 AM",
    "  6:00 AM",      "  7:00 AM",   "  8:00 AM", "  9:00 AM", "10:00 AM",  "11:00 AM",
    "12:00 Noon",     "  1:00 PM  ", "  2:00 PM", "  3:00 PM", "  4:00 PM", "  5:00 PM",
    "  6:00 PM",      "  7:00 PM",   "  8:00 PM", "  9:00 PM", "10:00 PM",  "11:00 PM"};

inline constexpr char kActivateCaption[] = "&Activate Automatic Export";
inline constexpr char kDeactivateCaption[] = "&Deactivate Automatic Export";
inline constexpr char kStatusInactive[] = "Automatic Export Inactive";
inline constexpr char kStatusActive[] = "Automatic Export Active";
inline constexpr char kStatusCompleted[] = "Automatic Export Completed";
inline constexpr char kStatusPrepared[] = "File Successfully Prepared";

// The date choice of the window: item 0 Current Date, item 1 Date Selection.
inline constexpr int kCurrentDate = 0;

// How a run ended, as the window's runner reports it: the export's outcome,
// and why the run log missed the run's line (empty when it did not).
struct RunOutcome {
    ExportOutcome outcome;
    std::string runLogError;
};

// What the window shows, as the schedule last left it.
struct AutoPrepView {
    std::string dateLabel = "Currenrt Date:";
    std::string timeLabel = "Currenrt Time:";
    std::string activateCaption = kActivateCaption;
    std::string status = kStatusInactive;
    bool activateEnabled = false;
    bool exportEnabled = true;
    // btnClose, ComboBox1, GroupBox1, rgdate, Edit2 and SpeedButton1.
    bool settingsEnabled = true;
    // Timer1, the hour check.
    bool hourCheckOn = false;
};

class AutoPrepSchedule {
public:
    // Builds the work table with the given date filter and exports all of
    // its records. Its errors end the run with their text on the status
    // line; ProgramCancelled passes through the schedule untouched.
    using Runner = std::function<RunOutcome(const std::string& runFilter)>;
    // The system's long time format for the clock label.
    using TimeFormatter = std::function<std::string(const LocalDateTime&)>;

    // `dateFilter` is the main window's DateFilter when the window is created.
    AutoPrepSchedule(const Clock& clock, std::string dateFilter, Runner run,
                     TimeFormatter formatTime = LongTimeText);
    AutoPrepSchedule(const AutoPrepSchedule&) = delete;
    AutoPrepSchedule& operator=(const AutoPrepSchedule&) = delete;

    // "h:mm:ss AM", the long time format of the program's home locale.
    static std::string LongTimeText(const LocalDateTime& time);

    const AutoPrepView& view() const { return view_; }
    const std::string& RunFilter() const { return runFilter_; }
    bool ScheduleArmed() const { return scheduleArmed_; }
    bool ActiveShown() const { return activeShown_; }
    bool running() const { return running_; }
    int selectedHour() const { return selectedHour_; }
    const std::string& fileName() const { return fileName_; }
    int dateChoice() const { return dateChoice_; }

    // The window became active with these values from the settings file;
    // the buttons follow the selected index.
    void FormActivate(int selectedHour, const std::string& fileName, int dateChoice);
    // The user changed a control; the buttons follow the texts. `hourText`
    // is the box's text, `selectedHour` the item it is (-1 for none).
    void ComboBox1Change(int selectedHour, const std::string& hourText);
    void Edit2Change(const std::string& fileName);
    void rgdateClick(int dateChoice);

    void btnActivateClick();
    void btnExportClick();
    void Timer1Timer();
    void Timer2Timer();

    // A status text from the work-table build.
    void ShowStatus(const std::string& text) { view_.status = text; }

    // Composes RunFilter and runs the build and export; the runner's errors
    // pass. A run asked for while one is in progress (its status changes
    // let window events through) does nothing and gives nothing.
    std::optional<RunOutcome> PrepareAndExport();

private:
    // Runs PrepareAndExport and gives the status line that tells how it
    // ended: `writtenText` when the file was written, the export's message
    // when it was not, the error's text when the run failed. Nobody need be
    // there to read it, so no error leaves the run but ProgramCancelled.
    std::string RunForStatus(const char* writtenText);
    void ShowActiveState();
    void ShowInactiveState();
    void EnableButtons(bool enabled);

    const Clock& clock_;
    const std::string dateFilter_;
    Runner run_;
    TimeFormatter formatTime_;

    std::string runFilter_;
    bool scheduleArmed_ = false;
    bool activeShown_ = false;
    bool running_ = false;
    int selectedHour_ = -1;
    std::string hourText_;
    std::string fileName_;
    int dateChoice_ = kCurrentDate;
    AutoPrepView view_;
};

}  // namespace marklift
