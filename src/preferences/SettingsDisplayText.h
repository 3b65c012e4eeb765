#pragma once

// Chooses between the English and the Simplified Chinese title of a settings choice by the interface
// language of the standard settings ("AppLanguage": Chinese exactly for "zh-Hans"). The capture settings
// carry their own titles instead of catalogue texts. Safe from any thread.

#include <string_view>

namespace quorvane {

std::string_view settingsDisplayText(std::string_view english, std::string_view simplifiedChinese);

}  // namespace quorvane
