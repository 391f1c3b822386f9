// The program's entry: the application, the single-instance check, then the
// main window and the event loop.
#include <QApplication>

#include "core/config/clock.h"
#include "core/session/application.h"
#include "gui/main_window/main_window_actions.h"
#include "gui/main_window/marklift_main_form.h"
#include "gui/main_window/single_instance.h"
#include "gui/qt_user_interface.h"

int main(int argc, char* argv[]) {
    using namespace marklift;
    QApplication application(argc, argv);
    // The title goes on the main window only: Qt would append an
    // application display name to every other caption ("Error", "Confirm").
    QApplication::setApplicationName(QString::fromLatin1(kApplicationName));

    QtUserInterface ui;
    SingleInstanceGuard guard(SingleInstanceGuard::defaultName());
    if (guard.isSecondCopy()) ui.showError("Marklift is already running!");

    TMarkliftMainForm form(ui, systemClock(), &guard);
    InstallMainWindowActions(form, ui);
    form.show();
    return QApplication::exec();
}
