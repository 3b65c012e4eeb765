#pragma once

// One QApplication for the widget tests of this program, on the offscreen platform unless the caller chose
// one, made by the first test that needs it.

#include <QApplication>
#include <QCoreApplication>

namespace quorvane::testing {

inline QApplication& widgetTestApplication() {
    static QApplication* application = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tests_panel";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *application;
}

}  // namespace quorvane::testing
