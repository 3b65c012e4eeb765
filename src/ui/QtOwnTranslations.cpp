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

QtOwnTranslations::QtOwnTranslations(NotificationCenter& center) {
    apply(AppLanguage::current());
    languageChanges_ =
        center.addObserver(AppLanguage::didChangeNotification, [this] { apply(AppLanguage::current()); });
}

QtOwnTranslations::~QtOwnTranslations() {
    languageChanges_.reset();
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
}

QString QtOwnTranslations::folder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool QtOwnTranslations::apply(AppLanguage language) {
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    if (language == AppLanguage::english) return true;
    auto translator = std::make_unique<QTranslator>();
    const QLocale locale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
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
