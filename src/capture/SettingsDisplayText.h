#pragma once

// Chooses between the English and the Simplified Chinese title of a settings choice by the "AppLanguage"
// setting: Chinese exactly when it holds "zh-Hans", English otherwise (missing, other text, other type).
// Used by the display names of the capture settings, which carry their own texts. Safe from any thread.

#include <string_view>

#include "platform/UserDefaults.h"

namespace quorvane {

std::string_view settingsDisplayText(const UserDefaults& userDefaults, std::string_view english,
                                     std::string_view simplifiedChinese);

}  // namespace quorvane
