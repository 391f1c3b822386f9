// The file format report on paper: draws the positioned texts of
// format_report_layout with Qt's painter, for the settings dialog's preview
// and for a PDF file.
#pragma once

#include <string>

#include "core/upload/format_report_layout.h"

class QPageLayout;
class QPainter;

namespace marklift {

inline constexpr char kFormatReportPreviewTitle[] = "Response File Format";
inline constexpr char kFormatReportDocumentName[] = "Marklift Report";

// Letter paper, portrait, with the report's margins.
QPageLayout FormatReportPageLayout();

// Draws the report with `painter`, whose origin is the top-left corner of
// the paper and whose unit is one dot of its device.
void PaintFormatReport(QPainter& painter, int fileType, const FormatReportChoices& choices);

// The same on a page device, which puts the painter's origin at the
// top-left of the margins while the report measures from the paper's edge.
void PaintFormatReportPage(QPainter& painter, const QPageLayout& layout, int resolution,
                           int fileType, const FormatReportChoices& choices);

// The page as a PDF file, also from a program without an application object
// or a display; throws MarkliftError when the file cannot be written.
void WriteFormatReportPdf(const std::string& path, int fileType,
                          const FormatReportChoices& choices);

}  // namespace marklift
