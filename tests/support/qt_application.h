// The one QApplication of the export tests, made before the first test and
// destroyed after the last (tests/support/qt_test_application.cpp): a QApplication left
// to static destruction outlives parts of Qt and crashes the exit.
#pragma once

#include <QApplication>

namespace marklift::testing {

inline QApplication& TestApplication() {
    return *qobject_cast<QApplication*>(qApp);
}

}  // namespace marklift::testing
