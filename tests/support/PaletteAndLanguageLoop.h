#pragma once

// Pictures are looked at in both palettes and both languages: runs a body once for each pair.

#include <QApplication>
#include <functional>
#include <string>
#include <utility>

#include "l10n/AppLanguage.h"
#include "platform/UserDefaults.h"
#include "support/QtTestApplication.h"

namespace quorvane::testing {

// Runs `body` with the light and the dark test palette, each in English and in Chinese (set in `defaults`,
// which the application language reads), then puts the light palette and English back.
inline void forEachPaletteAndLanguage(
    UserDefaults& defaults,
    const std::function<void(const QString& palette, const QString& language)>& body) {
    for (const auto& [paletteName, palette] :
         {std::pair<QString, QPalette>{"light", lightTestPalette()}, {"dark", darkTestPalette()}}) {
        QApplication::setPalette(palette);
        for (const auto& [languageName, raw] :
             {std::pair<QString, const char*>{"en", "en"}, {"zh", "zh-Hans"}}) {
            defaults.set(AppLanguage::defaultsKey, std::string(raw));
            body(paletteName, languageName);
        }
    }
    QApplication::setPalette(lightTestPalette());
    defaults.set(AppLanguage::defaultsKey, std::string("en"));
}

}  // namespace quorvane::testing
