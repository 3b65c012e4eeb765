#include "preferences/SettingsDisplayText.h"

#include "l10n/AppLanguage.h"

namespace quorvane {

std::string_view settingsDisplayText(std::string_view english, std::string_view simplifiedChinese) {
    return AppLanguage::current() == AppLanguage::simplifiedChinese ? simplifiedChinese : english;
}

}  // namespace quorvane
