#include "app/main_window_actions.h"

#include <memory>

#include "app/clock.h"
#include "app/marklift_main_form.h"
#include "app/program_error.h"
#include "app/program_settings.h"
#include "app/settings_file.h"
#include "app/settings_handoff.h"
#include "export/list_banner_scores_form.h"
#include "export/progress_window.h"
#include "export/record_selection.h"
#include "prepare/auto_prep_form.h"
#include "settings/format_report.h"
#include "settings/set_path_to_zolt_form.h"

namespace marklift {

void InstallMainWindowActions(TMarkliftMainForm& form, UserInterface& ui) {
    form.setFindAction([&form, &ui] {
        // An automatic preparation window that is never shown holds the
        // build's tables for this run and releases them when it goes, also
        // when the build fails.
        {
            TAutoPrepForm builder(ui, {}, systemClock(), &form);
            builder.BuildWorkTable();
        }
        TListBannerScoresForm selection(Settings(), ui, &form);
        selection.exec();
        if (selection.ProgramWasCancelled()) throw ProgramCancelled();
    });

    form.setAutoPrepareAction([&form, &ui] {
        // The same road as marklift-prepare: every record, in ID order.
        auto exportAll = [&ui](const std::string& fileName) {
            RunAutomaticExport(Settings(), ui, fileName, CreateProgressWindow);
        };
        TAutoPrepForm window(ui, exportAll, systemClock(), &form);
        window.exec();
    });

    form.setSettingsAction([&form, &ui] {
        auto dialog = std::make_unique<TSetPathtoZOLTForm>(ui, Settings(), &form);
        TSetPathtoZOLTForm* shown = dialog.get();
        dialog->setPrintHook([shown](int fileType, bool attempted, bool subscores, bool panda,
                                     bool siteCode) {
            ShowFormatReport(shown, fileType, {attempted, subscores, panda, siteCode});
        });
        SettingsFile file = ProgramSettingsFile(Settings());
        RunSettingsHandOff(std::move(dialog), Settings(), file, [&form] { form.LoadTestingPeriods(); });
    });
}

}  // namespace marklift
