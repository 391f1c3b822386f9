#include "report/format_report.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <memory>

#include "core/session/program_error.h"

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

// Qt's own notes on its set-up (XDG_RUNTIME_DIR not set, under cron) would
// go to the output of a command that prints only what it means to; whether
// the page was written is told by the painter, not by them.
class QtNotesSilenced {
public:
    QtNotesSilenced()
        : previous_(
              qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {})) {
    }
    ~QtNotesSilenced() { qInstallMessageHandler(previous_); }
    QtNotesSilenced(const QtNotesSilenced&) = delete;
    QtNotesSilenced& operator=(const QtNotesSilenced&) = delete;

private:
    QtMessageHandler previous_;
};

QString toQString(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QPageLayout FormatReportPageLayout() {
    const double margin = kReportMargin;
    return QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                       QMarginsF(margin, margin, margin, margin), QPageLayout::Inch);
}

void PaintFormatReportPage(QPainter& painter, const QPageLayout& layout, int resolution,
                           int fileType, const FormatReportChoices& choices) {
    painter.save();
    painter.translate(-layout.paintRectPixels(resolution).topLeft());
    PaintFormatReport(painter, fileType, choices);
    painter.restore();
}

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

void WriteFormatReportPdf(const std::string& path, int fileType,
                          const FormatReportChoices& choices) {
    // A command-line caller has no application object and maybe no display:
    // fonts and the PDF writer work on the offscreen platform.
    std::unique_ptr<QtNotesSilenced> silenced;
    std::unique_ptr<QGuiApplication> application;
    if (!QCoreApplication::instance()) {
        silenced = std::make_unique<QtNotesSilenced>();
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "marklift";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    QPdfWriter writer(QString::fromStdString(path));
    const QPageLayout layout = FormatReportPageLayout();
    writer.setPageLayout(layout);
    writer.setTitle(kFormatReportDocumentName);
    writer.setCreator(kFormatReportDocumentName);
    QPainter painter;
    if (!painter.begin(&writer)) throw MarkliftError("Cannot write " + path);
    PaintFormatReportPage(painter, layout, writer.resolution(), fileType, choices);
    if (!painter.end()) throw MarkliftError("Cannot write " + path);
}

}  // namespace marklift
