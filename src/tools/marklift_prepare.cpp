// marklift-prepare: builds the work table and writes the upload file of all
// its records without a window, for scheduled jobs and scripts.
#include <QGuiApplication>
#include <iostream>
#include <string>
#include <vector>

#include "app/clock.h"
#include "export/prepare_command.h"
#include "platform/paths.h"
#include "settings/format_report.h"
#include "tables/xbase_table.h"

int main(int argc, char* argv[]) {
    using namespace marklift;
    XbaseEngineSettings::Apply(XbaseEngineSettings());
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // Only the format report needs Qt, and no display: its fonts and PDF
    // writer work on the offscreen platform.
    auto writeReport = [argv](const std::string& path, int fileType, bool attempted, bool subscores,
                              bool panda, bool siteCode) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        int qtArgc = 1;
        QGuiApplication application(qtArgc, argv);
        WriteFormatReportPdf(path, fileType, {attempted, subscores, panda, siteCode});
    };
    return RunPrepareCommand(arguments, executableDirectory(), systemClock(), std::cout, std::cerr,
                             writeReport);
}
