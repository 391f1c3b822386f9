#include "gui/settings/format_report_preview.h"

#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QLabel>
#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/widgets/qt_text.h"
#include "report/format_report.h"

namespace marklift {
namespace {

// The small window the report shows while it produces or prints its page.
// It is painted at once rather than through the event loop: while the page
// is produced the preview has released the pages it shows, and letting it
// repaint then would draw from them.
class ReportStatusWindow {
public:
    ReportStatusWindow(QWidget* parent, const char* pattern, int page)
        : window_(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
        window_.setWindowTitle(kReportStatusTitle);
        auto* layout = new QVBoxLayout(&window_);
        auto* label = new QLabel(toQString(ReportStatusText(pattern, page)), &window_);
        label->setObjectName("lbStatus");
        layout->addWidget(label);
        window_.setMinimumWidth(220);
        window_.show();
        window_.repaint();
    }
    ReportStatusWindow(const ReportStatusWindow&) = delete;
    ReportStatusWindow& operator=(const ReportStatusWindow&) = delete;

private:
    QDialog window_;
};

void paintRequested(QWidget* parent, QPrinter& printer, int fileType,
                    const FormatReportChoices& choices) {
    // The preview draws into a recording engine; any other engine is the
    // user printing from the preview.
    const bool previewing = printer.paintEngine()->type() == QPaintEngine::Picture;
    ReportStatusWindow status(parent, previewing ? kGeneratingPageText : kPrintingPageText, 1);
    QPainter painter(&printer);
    PaintFormatReportPage(painter, printer.pageLayout(), printer.resolution(), fileType, choices);
}

// The dialog opens fitting the page to the window; the report is shown at
// its printed size instead, and the fit buttons no longer claim otherwise.
void showActualSize(QPrintPreviewDialog& preview) {
    if (auto* view = preview.findChild<QPrintPreviewWidget*>()) {
        view->setZoomMode(QPrintPreviewWidget::CustomZoom);
        view->setZoomFactor(1.0);
    }
    for (const char* name : {"fitWidthAction", "fitPageAction"}) {
        auto* fit = preview.findChild<QAction*>(name);
        if (!fit) continue;
        QActionGroup* group = fit->actionGroup();
        if (group) group->setExclusive(false);
        fit->setChecked(false);
        if (group) group->setExclusive(true);
    }
}

}  // namespace

void ShowFormatReport(QWidget* parent, int fileType, const FormatReportChoices& choices) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(FormatReportPageLayout());
    printer.setDocName(kFormatReportDocumentName);

    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(kFormatReportPreviewTitle);
    QObject::connect(
        &preview, &QPrintPreviewDialog::paintRequested, &preview,
        [&](QPrinter* target) { paintRequested(&preview, *target, fileType, choices); });
    showActualSize(preview);
    // Where no window manager maximises windows, the screen's size does.
    if (const QScreen* screen = preview.screen()) preview.setGeometry(screen->availableGeometry());
    preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
    preview.exec();
}

}  // namespace marklift
