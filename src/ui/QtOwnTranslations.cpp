#include "ui/QtOwnTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "base/Logger.h"

namespace quorvane {

namespace {

constexpr std::string_view kLogCategory = "QtOwnTranslations";

}  // namespace

QtOwnTranslations::QtOwnTranslations(NotificationCenter& center) : previousLocale_(QLocale()) {
    apply(AppLanguage::current());
    languageChanges_ =
        center.addObserver(AppLanguage::didChangeNotification, [this] { apply(AppLanguage::current()); });
}

QtOwnTranslations::~QtOwnTranslations() {
    languageChanges_.reset();
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
    QLocale::setDefault(previousLocale_);
}

QString QtOwnTranslations::folder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QLocale QtOwnTranslations::localeFor(AppLanguage language) {
    if (language == AppLanguage::english) {
        // The user's own English (dates in the file dialogs), else American English.
        const QLocale system = QLocale::system();
        return system.language() == QLocale::English ? system
                                                     : QLocale(QLocale::English, QLocale::UnitedStates);
    }
    return QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
}

bool QtOwnTranslations::apply(AppLanguage language) {
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    // Texts Qt takes from the system rather than from its catalogue follow the default locale: the file
    // type names of the file dialogs ("plain text document"), their dates.
    const QLocale locale = localeFor(language);
    QLocale::setDefault(locale);
    if (language == AppLanguage::english) return true;
    auto translator = std::make_unique<QTranslator>();
    // "qt" names the catalogue that pulls in qtbase and the other modules' files.
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"), folder())) {
        Logger::warning("No translation of Qt's own texts for " + std::string(language.rawValue()) + " in " +
                            folder().toStdString() + "; they stay in English (install qt6-translations-l10n)",
                        kLogCategory);
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    translator_ = std::move(translator);
    return true;
}

}  // namespace quorvane
