#include "gui/selection/progress_window.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <algorithm>
#include <limits>

#include "core/upload/progress_text.h"
#include "gui/widgets/window_layout.h"

namespace marklift {
namespace {

constexpr int kWidth = 330;
constexpr int kHeight = 151;
constexpr int kCaptionLeft = 12;
constexpr int kCaptionWidth = 45;
constexpr int kValueLeft = 72;
constexpr int kValueWidth = kWidth - kValueLeft - kCaptionLeft;
constexpr int kRowHeight = 16;
constexpr int kProgressBarWidth = 213;
constexpr int kPercentageLeft = 292;

NumberSeparators userSeparators() {
    const QLocale locale;
    return {locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString()};
}

int toBarValue(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

TProgressWindow::TProgressWindow(const Clock& clock, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      clock_(clock),
      startTime_(clock.now()) {
    setWindowTitle("Progress");
    setFixedSize(kWidth, kHeight);

    const int rows[] = {12, 32, 52, 72, 92};
    Label1 = addLabel("Label1", "File:", kCaptionLeft, rows[0], kCaptionWidth);
    Label2 = addLabel("Label2", "Records:", kCaptionLeft, rows[1], kCaptionWidth);
    Label3 = addLabel("Label3", "Bytes:", kCaptionLeft, rows[2], kCaptionWidth);
    Label4 = addLabel("Label4", "Time:", kCaptionLeft, rows[3], kCaptionWidth);
    Label5 = addLabel("Label5", "Progress:", kCaptionLeft, rows[4], kCaptionWidth);
    for (QLabel* caption : {Label1, Label2, Label3, Label4, Label5}) {
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // The layout was drawn for a small font; in a wider one a caption
        // grows to the left, keeping its right edge by the values.
        const int needed = caption->fontMetrics().horizontalAdvance(caption->text());
        if (needed > kCaptionWidth)
            caption->setGeometry(std::max(0, kCaptionLeft + kCaptionWidth - needed), caption->y(),
                                 std::min(needed, kCaptionLeft + kCaptionWidth), kRowHeight);
    }

    lbFile = addLabel("lbFile", "?", kValueLeft, rows[0], kValueWidth);
    lbRecords = addLabel("lbRecords", "?", kValueLeft, rows[1], kValueWidth);
    lbBytes = addLabel("lbBytes", "?", kValueLeft, rows[2], kValueWidth);
    lbTime = addLabel("lbTime", "?", kValueLeft, rows[3], kValueWidth);
    lbPercentage = addLabel("lbPercentage", kInitialPercentageText, kPercentageLeft, rows[4],
                            kWidth - kPercentageLeft);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setGeometry(kValueLeft, rows[4], kProgressBarWidth, kRowHeight);
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);

    CentreOnScreen(*this);
    show();
}

QLabel* TProgressWindow::addLabel(const char* name, const QString& text, int left, int top,
                                  int width) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setGeometry(left, top, width, kRowHeight);
    return label;
}

void TProgressWindow::BeginProgress(std::int64_t total, const std::string& fileName) {
    startTime_ = clock_.now();
    total_ = total;
    setWindowTitle("Export Progress");
    lbFile->setText(QString::fromStdString(fileName));
    lbRecords->setText(QString::fromStdString(StartRecordsText(total)));
    lbBytes->setText(kInitialBytesText);
    lbTime->setText(kInitialTimeText);
    lbPercentage->setText(kInitialPercentageText);
    ProgressBar->setRange(0, toBarValue(total));
    ProgressBar->setValue(0);
}

void TProgressWindow::UpdateProgress(std::int64_t records, std::int64_t bytes) {
    const std::int64_t elapsedMs = MillisecondsBetween(startTime_, clock_.now());
    lbRecords->setText(QString::fromStdString(RecordsText(records, total_)));
    lbBytes->setText(QString::fromStdString(BytesText(bytes, elapsedMs, userSeparators())));
    lbTime->setText(QString::fromStdString(RemainingTimeText(records, total_, elapsedMs)));
    lbPercentage->setText(QString::fromStdString(PercentageText(records, total_)));
    ProgressBar->setValue(toBarValue(records));
    repaint();
}

std::unique_ptr<ExportProgress> CreateProgressWindow() {
    return std::make_unique<TProgressWindow>();
}

}  // namespace marklift
