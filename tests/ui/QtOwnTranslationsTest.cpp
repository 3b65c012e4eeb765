#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>

#include "l10n/AppLanguage.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/NotificationCenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "support/QtTestApplication.h"
#include "ui/QtOwnTranslations.h"

namespace quorvane {
namespace {

// A text of Qt's own file dialog, as its catalogue knows it.
QString qtSaveText() {
    return QCoreApplication::translate("QFileDialog", "&Save");
}

class QtOwnTranslationsTest : public ::testing::Test {
protected:
    const bool started = (testing::qtTestApplication(), true);
    FakeClock clock;
    ManualRunLoop loop{clock};
    NotificationCenter notifications{loop};
    InMemoryUserDefaults defaults;
    StandardAppLanguage language{defaults};
};

TEST_F(QtOwnTranslationsTest, QtsTextsAndLocaleFollowTheLanguageAndAreGivenBackAtTheEnd) {
    const QLocale before;
    {
        QtOwnTranslations translations(notifications);
        EXPECT_FALSE(translations.isTranslating());
        EXPECT_EQ(qtSaveText(), "&Save");
        EXPECT_EQ(QLocale().language(), QLocale::English);

        AppLanguage::set(AppLanguage::simplifiedChinese, defaults, notifications);
        EXPECT_FALSE(translations.isTranslating()) << "the change arrives on a later turn";
        loop.runUntilIdle();
        ASSERT_TRUE(translations.isTranslating())
            << "no translation of Qt's texts in " << QtOwnTranslations::folder().toStdString();
        EXPECT_NE(qtSaveText(), "&Save");
        EXPECT_TRUE(qtSaveText().contains(QStringLiteral("保存"))) << qtSaveText().toStdString();
        // The file dialogs name file types in this locale's language.
        EXPECT_EQ(QLocale().language(), QLocale::Chinese);
        EXPECT_EQ(QLocale().script(), QLocale::SimplifiedChineseScript);

        AppLanguage::set(AppLanguage::english, defaults, notifications);
        loop.runUntilIdle();
        EXPECT_FALSE(translations.isTranslating());
        EXPECT_EQ(qtSaveText(), "&Save");
        EXPECT_EQ(QLocale().language(), QLocale::English);

        AppLanguage::set(AppLanguage::simplifiedChinese, defaults, notifications);
        loop.runUntilIdle();
        ASSERT_TRUE(translations.isTranslating());
    }
    // Gone, it leaves Qt as it found it.
    EXPECT_EQ(qtSaveText(), "&Save");
    EXPECT_EQ(QLocale(), before);
}

}  // namespace
}  // namespace quorvane
