#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include "support/QtTestApplication.h"
#include "ui/KeyablePanel.h"

namespace quorvane {
namespace {

TEST(KeyablePanelTest, IsAFramelessToolWindowThatTakesKeysButNeverMainStatus) {
    testing::qtTestApplication();
    KeyablePanel panel;
    EXPECT_TRUE(panel.canBecomeKeyWindow());
    EXPECT_FALSE(panel.canBecomeMainWindow());
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(KeyablePanelTest, PresentedPanelTypesIntoItsFieldAndResignsWhenAnotherWindowTakesOver) {
    testing::qtTestApplication();
    KeyablePanel panel;
    auto* layout = new QVBoxLayout(&panel);
    auto* field = new QLineEdit(&panel);
    layout->addWidget(field);
    panel.resize(300, 80);
    QSignalSpy resigned(&panel, &KeyablePanel::didResignKey);

    panel.present();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    field->setFocus();
    QTest::keyClicks(field, "abc");
    EXPECT_EQ(field->text(), "abc");
    EXPECT_EQ(resigned.count(), 0);

    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(resigned.count(), 1);
}

}  // namespace
}  // namespace quorvane
