// The one QApplication of the export tests, made by whichever window test
// runs first, on Qt's offscreen platform unless the environment chose
// another.
#pragma once

#include <QApplication>

namespace marklift::testing {

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "export_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

}  // namespace marklift::testing
