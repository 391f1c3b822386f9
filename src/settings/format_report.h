// The file format report on paper: draws the positioned texts of
// format_report_layout with Qt, shows them in a print preview from which the
// user may print, or writes them to a PDF file.
#pragma once

#include <string>

#include "settings/format_report_layout.h"

class QPainter;
class QWidget;

namespace marklift {

inline constexpr char kFormatReportPreviewTitle[] = "Response File Format";
inline constexpr char kFormatReportDocumentName[] = "Marklift Report";

// Draws the report with `painter`, whose origin is the top-left corner of
// the paper and whose unit is one dot of its device.
void PaintFormatReport(QPainter& painter, int fileType, const FormatReportChoices& choices);

// The Print File Format button: a modal, maximised preview at 100 % zoom,
// with printing allowed from it.
void ShowFormatReport(QWidget* parent, int fileType, const FormatReportChoices& choices);

// The same page as a PDF file; throws MarkliftError when the file cannot be
// written.
void WriteFormatReportPdf(const std::string& path, int fileType,
                          const FormatReportChoices& choices);

}  // namespace marklift
