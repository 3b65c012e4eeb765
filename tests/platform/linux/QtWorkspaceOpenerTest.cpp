#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/linux/QtWorkspaceOpener.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

// Runs the event loop until `done` or `milliseconds` passed; the last answer of `done`.
template <class Condition>
bool processEventsUntil(Condition done, int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// The opener's exit says whether an application took the file or link; one still running has started it.
class QtWorkspaceOpenerTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtTestApplication(); }

    std::optional<bool> open(const QString& program, bool link = false) {
        workspace.openProgram = program;
        std::optional<bool> opened;
        int answers = 0;
        const auto answer = [&](bool result) {
            opened = result;
            ++answers;
        };
        if (link) {
            workspace.openURL("https://example.org/page", answer);
        } else {
            workspace.openFile(folder / "Quorvane_1.txt", answer);
        }
        EXPECT_FALSE(opened.has_value()) << "answered later, never inside the call";
        EXPECT_TRUE(processEventsUntil([&] { return opened.has_value(); }, 3000));
        // Nothing answers twice, not even the grace timer after a quick exit.
        processEventsUntil([] { return false; }, workspace.launchGraceMilliseconds + 100);
        EXPECT_EQ(answers, 1);
        return opened;
    }
    // An executable script in the temporary folder.
    QString script(const std::string& name, const std::string& body) {
        const auto path = folder / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return QString::fromStdString(path.string());
    }

    testing::TemporaryDirectory folder;
    QtWorkspaceOpener workspace;
};

TEST_F(QtWorkspaceOpenerTest, AFailingOpenerOrNoneAtAllMeansNothingOpened) {
    workspace.launchGraceMilliseconds = 500;
    EXPECT_EQ(open(script("opens", "exit 0")), std::optional<bool>(true));
    // xdg-open's answer when no application is set for the type.
    EXPECT_EQ(open(script("no-application", "exit 3")), std::optional<bool>(false));
    EXPECT_EQ(open(script("no-browser", "exit 3"), true), std::optional<bool>(false));
    EXPECT_EQ(open("quorvane-no-such-opener"), std::optional<bool>(false));
    EXPECT_EQ(open("quorvane-no-such-opener", true), std::optional<bool>(false));
}

TEST_F(QtWorkspaceOpenerTest, AnOpenerStillRunningAfterTheGraceTimeCountsAsOpened) {
    workspace.launchGraceMilliseconds = 100;
    EXPECT_EQ(open(script("runs-the-editor", "sleep 0.6")), std::optional<bool>(true));
    processEventsUntil([] { return false; }, 800);
}

}  // namespace
}  // namespace quorvane
