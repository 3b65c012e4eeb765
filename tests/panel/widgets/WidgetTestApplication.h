#pragma once

// One QApplication for the widget tests of this program, on the offscreen platform unless the caller chose
// one, made by the first test that needs it.

#include <QApplication>
#include <QCoreApplication>

#include "support/QtTestApplication.h"

namespace quorvane::testing {

inline QApplication& widgetTestApplication() {
    static QApplication* application = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tests_panel";
        static char* argv[] = {name, nullptr};
        auto* made = new QApplication(argc, argv);
        waitForPooledWorkAfterEachTest();
        return made;
    }();
    return *application;
}

}  // namespace quorvane::testing
