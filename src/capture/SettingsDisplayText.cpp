#include "capture/SettingsDisplayText.h"

namespace quorvane {

std::string_view settingsDisplayText(const UserDefaults& userDefaults, std::string_view english,
                                     std::string_view simplifiedChinese) {
    return userDefaults.stringValue("AppLanguage") == "zh-Hans" ? simplifiedChinese : english;
}

}  // namespace quorvane
