// The program's entry: the command line, the application, the
// single-instance check, then the main window and the event loop.
#include <QApplication>
#include <QIcon>
#include <iostream>
#include <string>
#include <vector>

#include "core/config/clock.h"
#include "core/session/application.h"
#include "gui/main_window/main_window_actions.h"
#include "gui/main_window/marklift_main_form.h"
#include "gui/main_window/single_instance.h"
#include "gui/program_icon.h"
#include "gui/program_options.h"
#include "gui/qt_user_interface.h"

namespace {

std::vector<std::string> argumentsAfterProgram(const QStringList& arguments) {
    std::vector<std::string> texts;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        texts.push_back(arguments[i].toLocal8Bit().toStdString());
    return texts;
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace marklift;
    // --help and --version are answered before Qt starts, which needs a
    // display; Qt's own options are still on the command line here.
    const ProgramOptions early = ParseProgramOptions({argv + 1, argv + argc});
    if (early.answer == ProgramOptions::Answer::Version) {
        std::cout << VersionLine("marklift") << "\n";
        return 0;
    }
    if (early.answer == ProgramOptions::Answer::Help) {
        std::cout << kMarkliftUsage;
        return 0;
    }

    QApplication application(argc, argv);
    const ProgramOptions options =
        ParseProgramOptions(argumentsAfterProgram(QApplication::arguments()));
    if (!options.error.empty()) {
        std::cerr << "marklift: " << options.error << "\n" << kMarkliftUsage;
        return 2;
    }
    // The title goes on the main window only: Qt would append an
    // application display name to every other caption ("Error", "Confirm").
    QApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QApplication::setApplicationVersion(QString::fromLatin1(kMarkliftVersion));
    // The menu entry's name, so the desktop puts the window under its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("marklift"));
    QApplication::setWindowIcon(ProgramIcon());

    QtUserInterface ui;
    SingleInstanceGuard guard(SingleInstanceGuard::defaultName());
    if (guard.isSecondCopy()) ui.showError("Marklift is already running!");

    TMarkliftMainForm form(ui, systemClock(), &guard, options.iniFile);
    InstallMainWindowActions(form, ui);
    form.show();
    return QApplication::exec();
}
