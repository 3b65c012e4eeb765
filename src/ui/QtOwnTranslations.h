#pragma once

// Qt's own texts (a text field's Copy / Select All menu, the file dialogs, key names) in the interface
// language, from the translations Qt ships (Debian's qt6-translations-l10n), and Qt's default locale set to
// that language, so the file types the file dialogs name follow it too. Follows language changes. Where no
// translation is installed a WARNING says so and Qt's English texts stay. Main thread only.

#include <QLocale>
#include <QString>
#include <memory>

#include "l10n/AppLanguage.h"
#include "platform/NotificationCenter.h"

class QTranslator;

namespace quorvane {

class QtOwnTranslations {
public:
    // Applies the current language now and each language that `center` announces later.
    explicit QtOwnTranslations(NotificationCenter& center);
    ~QtOwnTranslations();
    QtOwnTranslations(const QtOwnTranslations&) = delete;
    QtOwnTranslations& operator=(const QtOwnTranslations&) = delete;

    // Installs `language`'s translation of Qt's texts (English needs none); false when it is not installed.
    bool apply(AppLanguage language);
    bool isTranslating() const { return translator_ != nullptr; }

    // The folder Qt's translations are read from.
    static QString folder();
    // The locale Qt's texts use in `language`.
    static QLocale localeFor(AppLanguage language);

private:
    QLocale previousLocale_;
    std::unique_ptr<QTranslator> translator_;
    NotificationObservation languageChanges_;
};

}  // namespace quorvane
