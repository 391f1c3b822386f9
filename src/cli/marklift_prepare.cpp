// marklift-prepare: builds the work table and writes the upload file of all
// its records without a window, for scheduled jobs and scripts.
#include <iostream>
#include <string>
#include <vector>

#include "cli/prepare_command.h"
#include "core/config/clock.h"
#include "platform/paths.h"
#ifdef MARKLIFT_WITH_REPORT
#include "report/format_report.h"
#endif

int main(int argc, char* argv[]) {
    using namespace marklift;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    FormatReportWriter writeReport;
#ifdef MARKLIFT_WITH_REPORT
    writeReport = [](const std::string& path, int fileType, bool attempted, bool subscores,
                     bool panda, bool siteCode) {
        WriteFormatReportPdf(path, fileType, {attempted, subscores, panda, siteCode});
    };
#endif
    return RunPrepareCommand(arguments, executableDirectory(), systemClock(), std::cout, std::cerr,
                             writeReport);
}
