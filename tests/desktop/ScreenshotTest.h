#pragma once

// The set-up every screenshot test shares: each case runs light and dark, in English and in Chinese, with
// the Fusion style and a fixed font so pictures look alike on every machine, and Qt's own texts (dialog
// buttons, menus) translated as the program translates them; it saves its pictures as
// "<prefix>-<state>-<light|dark>-<en|zh>.png" in the screenshot folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QSet>
#include <QStyleFactory>
#include <QWidget>
#include <memory>
#include <string>
#include <tuple>

#include "desktop/DesktopSession.h"
#include "l10n/AppLanguage.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/NotificationCenter.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "support/QtTestApplication.h"
#include "ui/QtOwnTranslations.h"

namespace quorvane::testing {

class ScreenshotTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {
protected:
    explicit ScreenshotTest(QString prefix) : prefix_(std::move(prefix)) {}

    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        dark = std::get<0>(GetParam());
        chinese = std::get<1>(GetParam());
        QApplication::setPalette(dark ? darkTestPalette() : lightTestPalette());
        QFont font("DejaVu Sans");
        font.setPointSizeF(10);
        QApplication::setFont(font);
        if (chinese) defaults.set(AppLanguage::defaultsKey, std::string("zh-Hans"));
        language = std::make_unique<StandardAppLanguage>(defaults);
        translationsQueue_ = std::make_unique<QtMainQueue>();
        translationsCenter_ = std::make_unique<NotificationCenter>(*translationsQueue_);
        qtTranslations = std::make_unique<QtOwnTranslations>(*translationsCenter_);
        ASSERT_EQ(qtTranslations->isTranslating(), chinese)
            << "no translation of Qt's texts in " << QtOwnTranslations::folder().toStdString();
        QDir().mkpath(QUORVANE_SCREENSHOT_DIR);
    }

    void TearDown() override {
        qtTranslations.reset();
        translationsCenter_.reset();
        translationsQueue_.reset();
        language.reset();
    }

    // Where the picture of `state` is saved.
    QString picturePath(const QString& state) const {
        return QStringLiteral("%1/%2-%3-%4-%5.png")
            .arg(QUORVANE_SCREENSHOT_DIR, prefix_, state, dark ? "dark" : "light", chinese ? "zh" : "en");
    }

    // Saves the widget's picture and checks that it is not blank: more than `colours` colours on a grid.
    void save(QWidget& widget, const QString& state, int colours = 20) {
        const QString name = picturePath(state);
        const QImage image = widget.grab().toImage();
        ASSERT_TRUE(image.save(name)) << name.toStdString();
        QSet<QRgb> seen;
        for (int y = 0; y < image.height(); y += 5) {
            for (int x = 0; x < image.width(); x += 5) seen.insert(image.pixel(x, y));
        }
        EXPECT_GT(seen.size(), colours) << "the picture looks blank: " << name.toStdString();
    }

    bool dark = false;
    bool chinese = false;
    InMemoryUserDefaults defaults;
    std::unique_ptr<StandardAppLanguage> language;
    std::unique_ptr<QtOwnTranslations> qtTranslations;

private:
    QString prefix_;
    std::unique_ptr<QtMainQueue> translationsQueue_;
    std::unique_ptr<NotificationCenter> translationsCenter_;
};

}  // namespace quorvane::testing
