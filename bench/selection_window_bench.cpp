// Times the record selection window over a large BANTABLE: opening it (the
// window made, shown and painted once), Select All, and Export of every
// record, beside the unattended export of the same records by the same
// rules (RunAutomaticExport), measured in the same run. The work table comes
// from the real marklift-demo-data and marklift-prepare, on Qt's offscreen
// platform.
//
//   selection_window_bench [results]
//
// The result count is per result table of the generated period; 415000
// gives a BANTABLE of about a million records.
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/config/program_settings.h"
#include "core/preparation/automatic_export.h"
#include "core/session/user_interface.h"
#include "gui/selection/list_banner_scores_form.h"

namespace fs = std::filesystem;
using namespace marklift;
using marklift::bench::Seconds;

namespace {

constexpr int kRuns = 3;

// The window's questions never come up; its message after an export is
// answered as a person would.
class AnsweringUserInterface : public UserInterface {
public:
    Answer showMessage(const std::string&, const std::string& text, MessageIcon icon,
                       MessageButtons) override {
        if (icon != MessageIcon::Information) {
            std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
            std::exit(2);
        }
        return Answer::Ok;
    }
    void beginBusy() override {}
    void endBusy() override {}
    void processEvents() override {}
    std::string chooseSaveFile(const FileDialogOptions&) override { return {}; }
    std::string chooseFolder(const std::string&) override { return {}; }
};

void RunOrExit(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

struct Times {
    double open = 0, selectAll = 0, exportAll = 0, automatic = 0;
    std::uint32_t records = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const unsigned results = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 415000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    const std::string root =
        (fs::temp_directory_path() / ("marklift-window-bench-" + std::to_string(::getpid())))
            .string();
    std::printf("generating %u results per table, %u students, and BANTABLE ...\n", results,
                results / 3);
    std::fflush(stdout);
    RunOrExit(std::string(MARKLIFT_DEMO_DATA_PROGRAM) + " " + root + " --students " +
              std::to_string(results / 3) + " --results " + std::to_string(results) +
              " --seed 7 >/dev/null");
    RunOrExit(std::string(MARKLIFT_PREPARE_PROGRAM) + " --ini " + root + "/MARKLIFT.ini --data " +
              root + " --period 1 --search master --dates all --format fixed" +
              " --records placement,assessment,score --out " + root + "/FIRST.TXT >/dev/null 2>&1");

    ProgramSettings settings;
    settings.DataPath = root + "/";
    settings.ProgramDir = root + "/";
    settings.FileFormat = 0;
    AnsweringUserInterface ui;
    Times best;
    for (int run = 0; run < kRuns; ++run) {
        Times times;
        {
            std::unique_ptr<TListBannerScoresForm> form;
            times.open = Seconds([&] {
                form = std::make_unique<TListBannerScoresForm>(settings, ui);
                form->show();
                QApplication::processEvents();
            });
            times.selectAll = Seconds([&] {
                form->btnAllClick();
                QApplication::processEvents();
            });
            times.records = form->Selection().SelectedCount();
            form->Edit1->setText(QString::fromStdString(root + "/WINDOW.TXT"));
            times.exportAll = Seconds([&] {
                form->PrepareExportFile();
                QApplication::processEvents();
            });
        }
        times.automatic =
            Seconds([&] { RunAutomaticExport(settings, ui, root + "/AUTOMATIC.TXT"); });
        if (run == 0) best = times;
        best.open = std::min(best.open, times.open);
        best.selectAll = std::min(best.selectAll, times.selectAll);
        best.exportAll = std::min(best.exportAll, times.exportAll);
        best.automatic = std::min(best.automatic, times.automatic);
    }
    const bool same = fs::file_size(root + "/WINDOW.TXT") == fs::file_size(root + "/AUTOMATIC.TXT");
    fs::remove_all(root);

    std::printf("\nrecord selection window over BANTABLE, %u records (best of %d)\n\n",
                best.records, kRuns);
    std::printf("%-44s %8s\n", "measure", "s");
    std::printf("%-44s %8.3f\n", "window opened (made, shown, painted)", best.open);
    std::printf("%-44s %8.3f\n", "Select All", best.selectAll);
    std::printf("%-44s %8.3f\n", "Export of every record", best.exportAll);
    std::printf("%-44s %8.3f\n", "Select All + Export", best.selectAll + best.exportAll);
    std::printf("%-44s %8.3f\n", "the unattended export (RunAutomaticExport)", best.automatic);
    std::printf("\nSelect All + Export vs the unattended export: %.2f; files alike in size: %s\n",
                (best.selectAll + best.exportAll) / best.automatic, same ? "yes" : "no");
    return 0;
}
