#pragma once

// One QApplication for a widget test program, on the offscreen platform unless the caller chose another,
// with the Fusion style so pictures look alike everywhere. Header-only: only programs that link Qt include
// it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QString>
#include <QStyle>
#include <QStyleFactory>
#include <QThreadPool>
#include <cstdlib>

namespace quorvane::testing {

// The test applications are never destroyed, so nothing waits for the shared thread pool, and a worker
// still decoding at exit meets Qt's statics already gone. Each test therefore ends once its pooled work has:
// none of it leaks into the next test or past the program's end either.
class PooledWorkWaiter final : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { QThreadPool::globalInstance()->waitForDone(); }
};

inline void waitForPooledWorkAfterEachTest() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new PooledWorkWaiter);
}

inline QApplication& qtTestApplication() {
    static int argc = 1;
    static char name[] = "widget_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: widgets of static lifetime in a test must not outlive it.
    static QApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* made = new QApplication(argc, argv);
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        waitForPooledWorkAfterEachTest();
        return made;
    }();
    return *application;
}

// Light and dark palettes for screenshots of each window state.
inline QPalette lightTestPalette() {
    return QApplication::style()->standardPalette();
}

inline QPalette darkTestPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    palette.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xea));
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    palette.setColor(QPalette::AlternateBase, QColor(0x33, 0x33, 0x36));
    palette.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xea));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3d));
    palette.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xea));
    palette.setColor(QPalette::Mid, QColor(0x55, 0x55, 0x58));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x8e, 0xf0));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x96, 0x96, 0x9b));
    // Disabled controls must look disabled in the dark pictures too.
    const QColor disabledText(0x80, 0x80, 0x84);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Button, QColor(0x33, 0x33, 0x36));
    return palette;
}

// The folder under the build tree where a test saves the pictures reviewers look at; made on first use.
inline QString screenshotFolder(const QString& subfolder) {
    const QString path = QApplication::applicationDirPath() + "/screenshots/" + subfolder;
    QDir().mkpath(path);
    return path;
}

}  // namespace quorvane::testing
