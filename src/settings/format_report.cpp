#include "settings/format_report.h"

#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QFont>
#include <QFontMetricsF>
#include <QLabel>
#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QVBoxLayout>

#include "app/program_error.h"

namespace marklift {
namespace {

// Liberation Sans has Arial's metrics, so where Arial is missing the texts
// are cut and placed the same.
QFont reportFont() {
    QFont font;
    font.setFamilies({"Arial", "Liberation Sans"});
    font.setPointSizeF(kReportFontPoints);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

QPageLayout reportPageLayout() {
    const double margin = kReportMargin;
    return QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                       QMarginsF(margin, margin, margin, margin), QPageLayout::Inch);
}

QString toQString(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Page devices put the painter's origin at the top-left of the margins;
// the report measures from the paper's edge.
void paintOnPage(QPainter& painter, const QPageLayout& layout, int resolution, int fileType,
                 const FormatReportChoices& choices) {
    painter.save();
    painter.translate(-layout.paintRectPixels(resolution).topLeft());
    PaintFormatReport(painter, fileType, choices);
    painter.restore();
}

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
    paintOnPage(painter, printer.pageLayout(), printer.resolution(), fileType, choices);
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

void PaintFormatReport(QPainter& painter, int fileType, const FormatReportChoices& choices) {
    const QFont font = reportFont();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, painter.device());
    const double dotsX = painter.device()->logicalDpiX();
    const double dotsY = painter.device()->logicalDpiY();
    const TextWidth width = [&](std::string_view text) {
        return metrics.horizontalAdvance(toQString(std::string(text))) / dotsX;
    };

    for (const PlacedText& placed : LayOutFormatReport(fileType, choices, width)) {
        const QString text = toQString(placed.text);
        double x = placed.x * dotsX;
        if (placed.alignment == TextAlignment::right)
            x -= metrics.horizontalAdvance(text);
        else if (placed.alignment == TextAlignment::centred)
            x -= metrics.horizontalAdvance(text) / 2;
        const double baseline = ReportLineTop(placed.line) * dotsY + metrics.ascent();
        painter.drawText(QPointF(x, baseline), text);
    }
}

void ShowFormatReport(QWidget* parent, int fileType, const FormatReportChoices& choices) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(reportPageLayout());
    printer.setDocName(kFormatReportDocumentName);

    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(kFormatReportPreviewTitle);
    QObject::connect(
        &preview, &QPrintPreviewDialog::paintRequested, &preview,
        [&](QPrinter* target) { paintRequested(&preview, *target, fileType, choices); });
    showActualSize(preview);
    // Where no window manager maximises windows, the screen's size does.
    if (const QScreen* screen = preview.screen())
        preview.setGeometry(screen->availableGeometry());
    preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
    preview.exec();
}

void WriteFormatReportPdf(const std::string& path, int fileType,
                          const FormatReportChoices& choices) {
    QPdfWriter writer(QString::fromStdString(path));
    const QPageLayout layout = reportPageLayout();
    writer.setPageLayout(layout);
    writer.setTitle(kFormatReportDocumentName);
    writer.setCreator(kFormatReportDocumentName);
    QPainter painter;
    if (!painter.begin(&writer)) throw MarkliftError("Cannot write " + path);
    paintOnPage(painter, layout, writer.resolution(), fileType, choices);
    if (!painter.end()) throw MarkliftError("Cannot write " + path);
}

}  // namespace marklift
