#include "app/main_window_actions.h"

#include "app/marklift_main_form.h"
#include "app/program_settings.h"
#include "prepare/work_table_builder.h"

namespace marklift {
namespace {

// Find builds where nobody watches: the user sees only the busy cursor.
class UnseenProgress : public BuildProgress {
public:
    explicit UnseenProgress(UserInterface& ui) : ui_(ui) {}
    void setStatus(const std::string&) override { ui_.processEvents(); }
    void setRange(int, int) override {}
    void setPosition(int) override {}

private:
    UserInterface& ui_;
};

}  // namespace

void InstallMainWindowActions(TMarkliftMainForm& form, UserInterface& ui) {
    form.setFindAction([&ui] {
        UnseenProgress progress(ui);
        // The builder holds its tables for this run only and releases them
        // when it goes, also when the build fails.
        WorkTableBuilder builder(ui, progress);
        builder.BuildWorkTable(Settings(), Settings().DateFilter);
    });
}

}  // namespace marklift
