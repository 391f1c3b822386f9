// The program's entry: the application, the table engine's settings, the
// single-instance check, then the main window and the event loop.
#include <QApplication>

#include "app/application.h"
#include "app/clock.h"
#include "app/main_window_actions.h"
#include "app/marklift_main_form.h"
#include "app/qt_user_interface.h"
#include "app/single_instance.h"
#include "tables/xbase_table.h"

int main(int argc, char* argv[]) {
    using namespace marklift;
    QApplication application(argc, argv);
    // The title goes on the main window only: Qt would append an
    // application display name to every other caption ("Error", "Confirm").
    QApplication::setApplicationName(QString::fromLatin1(kApplicationName));

    // Before any table is opened.
    XbaseEngineSettings::Apply(XbaseEngineSettings());

    QtUserInterface ui;
    SingleInstanceGuard guard(SingleInstanceGuard::defaultName());
    if (guard.isSecondCopy()) ui.showError("Marklift is already running!");

    TMarkliftMainForm form(ui, systemClock(), &guard);
    InstallMainWindowActions(form, ui);
    form.show();
    return QApplication::exec();
}
