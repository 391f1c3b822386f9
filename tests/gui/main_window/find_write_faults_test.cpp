// Find with the program's own actions when a write fails: the data
// directory read-only or BANTABLE held by another program, so that the work
// table cannot be built, and a read-only program directory, so that
// MARKLIFT.ini cannot be written. The action ends with the message naming
// the file under the application title, no selection window opens over a
// half-built table, and the main window stays for the next Find. Windows
// cannot run in a forked child, so Find meets the files as nobody in this
// process.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <optional>

#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "core/session/application.h"
#include "gui/main_window/main_window_actions.h"
#include "gui/main_window/marklift_main_form.h"
#include "support/child_process.h"
#include "support/scripted_user_interface.h"
#include "support/temp_directory.h"

namespace marklift {
namespace {

using testing::LockingProcess;
using testing::ReadOnlyDirectory;
using testing::TempDirectory;
using testing::UnprivilegedScope;

// Rejects each modal window as soon as it is up and counts them: the
// selection window Find opens would otherwise wait for a user.
class ModalCloser {
public:
    ModalCloser() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++closed_;
                dialog->reject();
            }
        });
        timer_.start(0);
    }
    int closed() const { return closed_; }

private:
    QTimer timer_;
    int closed_ = 0;
};

class FindFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(MARKLIFT_FIXTURES "/zolt", dir.path() / "zolt",
                              std::filesystem::copy_options::recursive);
        // Placement records alone keep each build short.
        dir.writeFile("MARKLIFT.ini",
                      "[Directories]\r\nZOLT Path=" + data() +
                          "/\r\n[Testing Periods]\r\nZOLT From=1\r\n[ZOLT Export]\r\n"
                          "Include Assessment Records=0\r\nInclude Score Records=0\r\n");
    }

    std::string data() const { return (dir.path() / "zolt").string(); }

    // Find on the remembered first period in a main window with the
    // program's actions: the windows it opened, then each message it showed
    // as title and text, then whether the main window is still up.
    std::string find() const {
        Settings() = ProgramSettings();
        ScriptedUserInterface ui;
        TMarkliftMainForm form(ui, systemClock());
        Settings().SettingsFileName = dir.path().string() + "/MARKLIFT.ini";
        InstallMainWindowActions(form, ui);
        form.show();
        QCoreApplication::processEvents();
        const std::size_t scanMessages = ui.messages().size();

        ModalCloser closer;
        form.btnFind->click();
        std::string report = std::to_string(closer.closed()) + " window(s) opened; ";
        for (std::size_t i = scanMessages; i < ui.messages().size(); ++i)
            report += ui.messages()[i].title + ": " + ui.messages()[i].text + "; ";
        return report + (form.isVisible() ? "main window up" : "main window gone");
    }

    TempDirectory dir;
};

// Lets anyone write the directory and the files directly in it.
void OpenToEveryone(const std::filesystem::path& directory) {
    namespace fs = std::filesystem;
    const fs::perms write = fs::perms::group_write | fs::perms::others_write;
    fs::permissions(directory, write, fs::perm_options::add);
    for (const auto& entry : fs::directory_iterator(directory))
        fs::permissions(entry.path(), write, fs::perm_options::add);
}

struct Fault {
    const char* what;
    std::string readOnly;  // a directory made read-only, or empty
    bool asNobody;         // Find meets the files as a user does, not as root
    bool workTableHeld;    // by another program
    std::string report;    // of find()
};

TEST_F(FindFaultTest, AFailedWriteEndsTheActionWithItsMessageAndTheMainWindowStays) {
    // An earlier Find left a work table.
    ASSERT_EQ(find(), "1 window(s) opened; main window up");

    const std::string workTable = data() + "/BANTABLE.dbf";
    const std::string error = std::string("; ") + kApplicationTitle + ": ";
    const Fault faults[] = {
        {"read-only data directory", data(), true, false,
         "0 window(s) opened" + error + "Cannot open " + workTable +
             ": Permission denied; main window up"},
        {"work table held by another program", "", false, true,
         "0 window(s) opened" + error + workTable +
             " is in use by another program; main window up"},
        // The work table is built and shown; closing the selection window
        // cannot store its file name beside the program.
        {"read-only program directory", dir.path().string(), true, false,
         "1 window(s) opened" + error + "Unable to write to " + dir.path().string() +
             "/MARKLIFT.ini; main window up"},
    };
    OpenToEveryone(data());
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        std::optional<ReadOnlyDirectory> readOnly;
        if (!fault.readOnly.empty()) readOnly.emplace(fault.readOnly);
        std::optional<LockingProcess> holder;
        if (fault.workTableHeld) holder.emplace(workTable);
        std::string report;
        {
            std::optional<UnprivilegedScope> nobody;
            if (fault.asNobody) nobody.emplace();
            report = find();
        }
        EXPECT_EQ(report, fault.report);
    }

    // Nothing stays locked: once the fault is gone, Find works again.
    EXPECT_EQ(find(), "1 window(s) opened; main window up");
}

}  // namespace
}  // namespace marklift
