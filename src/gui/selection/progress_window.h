// TProgressWindow: the small always-on-top window the upload file writer
// shows while it writes: file name, records, kilobytes and rate, the time
// still to go and a progress bar. It has no buttons; a run cannot be stopped.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

#include "core/config/clock.h"
#include "core/upload/export_progress.h"

class QLabel;
class QProgressBar;

namespace marklift {

class TProgressWindow : public QDialog, public ExportProgress {
    Q_OBJECT

public:
    // Visible from its creation on, centred on the screen.
    explicit TProgressWindow(const Clock& clock = systemClock(), QWidget* parent = nullptr);

    void BeginProgress(std::int64_t total, const std::string& fileName) override;
    // Repaints at once without processing window events, so the window
    // takes no input while a run lasts.
    void UpdateProgress(std::int64_t records, std::int64_t bytes) override;

private:
    QLabel* addLabel(const char* name, const QString& text, int left, int top, int width);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* lbFile;
    QLabel* lbRecords;
    QLabel* lbBytes;
    QLabel* lbTime;
    QLabel* lbPercentage;
    QProgressBar* ProgressBar;

    const Clock& clock_;
    LocalDateTime startTime_;
    std::int64_t total_ = 0;
};

// The writer's progress display in the program.
std::unique_ptr<ExportProgress> CreateProgressWindow();

}  // namespace marklift
