#include "gui/main_window/main_window_actions.h"

#include <memory>

#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "core/config/settings_file.h"
#include "core/config/settings_handoff.h"
#include "core/periods/main_window_logic.h"
#include "core/session/application.h"
#include "core/session/program_error.h"
#include "core/worktable/work_table_builder.h"
#include "gui/auto_prep/auto_prep_form.h"
#include "gui/main_window/marklift_main_form.h"
#include "gui/selection/list_banner_scores_form.h"
#include "gui/selection/progress_window.h"
#include "gui/settings/format_report_preview.h"
#include "gui/settings/set_path_to_zolt_form.h"

namespace marklift {

void InstallMainWindowActions(TMarkliftMainForm& form, UserInterface& ui) {
    form.setFindAction([&form, &ui] {
        // Find shows no build progress: the busy cursor and the status
        // changes letting window events through are all the user sees.
        WorkTableSummary found;
        {
            SilentBuildProgress progress;
            WorkTableBuilder builder(ui, progress);
            found = builder.BuildWorkTable(Settings(), Settings().DateFilter);
        }
        // An empty grid alone would not say that the search itself was done.
        if (found.gathered == found.removed)
            ui.showInformation(kApplicationTitle, NothingFoundMessage(Settings().DateFilter));
        TListBannerScoresForm selection(Settings(), ui, &form);
        selection.exec();
        if (selection.ProgramWasCancelled()) throw ProgramCancelled();
    });

    form.setAutoPrepareAction([&form, &ui] {
        TAutoPrepForm window(ui, CreateProgressWindow, systemClock(), &form);
        window.exec();
        if (window.ProgramWasCancelled()) throw ProgramCancelled();
    });

    form.setSettingsAction([&form, &ui] {
        auto dialog = std::make_unique<TSetPathtoZOLTForm>(ui, Settings(), &form);
        TSetPathtoZOLTForm* shown = dialog.get();
        dialog->setPrintHook(
            [shown](int fileType, bool attempted, bool subscores, bool panda, bool siteCode) {
                ShowFormatReport(shown, fileType, {attempted, subscores, panda, siteCode});
            });
        SettingsFile file = ProgramSettingsFile(Settings());
        RunSettingsHandOff(
            std::move(dialog), Settings(), file, [&form] { form.LoadTestingPeriods(); }, ui);
    });
}

}  // namespace marklift
