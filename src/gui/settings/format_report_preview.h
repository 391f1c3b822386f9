// The Print File Format button's preview of the file format report.
#pragma once

#include "core/upload/format_report_layout.h"

class QWidget;

namespace marklift {

// A modal, maximised preview at 100 % zoom, with printing allowed from it.
void ShowFormatReport(QWidget* parent, int fileType, const FormatReportChoices& choices);

}  // namespace marklift
