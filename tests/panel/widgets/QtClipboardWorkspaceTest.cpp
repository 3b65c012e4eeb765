#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <fstream>
#include <optional>

#include "panel/widgets/QtClipboardWorkspace.h"
#include "panel/widgets/WidgetTestApplication.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

// The opener's exit says whether an application took the file; one still running has started it.
class QtClipboardWorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override { testing::widgetTestApplication(); }

    std::optional<bool> open(const QString& program) {
        workspace.openProgram = program;
        std::optional<bool> opened;
        int answers = 0;
        workspace.openFile(folder / "Quorvane_1.txt", [&](bool result) {
            opened = result;
            ++answers;
        });
        EXPECT_FALSE(opened.has_value()) << "answered later, never inside the call";
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 3000));
        // Nothing answers twice, not even the grace timer after a quick exit.
        QTest::qWait(workspace.launchGraceMilliseconds + 100);
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
    RecordingWorkspaceOpener opener;
    QtClipboardWorkspace workspace{opener};
};

TEST_F(QtClipboardWorkspaceTest, AFailingOpenerOrNoneAtAllMeansNothingOpened) {
    workspace.launchGraceMilliseconds = 500;
    EXPECT_EQ(open(script("opens", "exit 0")), std::optional<bool>(true));
    // xdg-open's answer when no application is set for the type.
    EXPECT_EQ(open(script("no-application", "exit 3")), std::optional<bool>(false));
    EXPECT_EQ(open("quorvane-no-such-opener"), std::optional<bool>(false));
}

TEST_F(QtClipboardWorkspaceTest, AnOpenerStillRunningAfterTheGraceTimeCountsAsOpened) {
    workspace.launchGraceMilliseconds = 100;
    EXPECT_EQ(open(script("runs-the-editor", "sleep 0.6")), std::optional<bool>(true));
    QTest::qWait(800);
}

}  // namespace
}  // namespace quorvane
