#include "l10n/AppLanguage.h"

#include "l10n/StandardAppLanguage.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

namespace quorvane {

namespace {
constexpr std::string_view englishRawValue = "en";
constexpr std::string_view simplifiedChineseRawValue = "zh-Hans";
}  // namespace

std::string_view AppLanguage::rawValue() const {
    return value_ == simplifiedChinese ? simplifiedChineseRawValue : englishRawValue;
}

std::string_view AppLanguage::localeIdentifier() const {
    return rawValue();
}

std::optional<AppLanguage> AppLanguage::fromRawValue(std::string_view rawValue) {
    if (rawValue == englishRawValue) return AppLanguage(english);
    if (rawValue == simplifiedChineseRawValue) return AppLanguage(simplifiedChinese);
    return std::nullopt;
}

AppLanguage AppLanguage::stored(const UserDefaults& defaults) {
    const auto value = defaults.stringValue(defaultsKey);
    return value && *value == simplifiedChineseRawValue ? simplifiedChinese : english;
}

void AppLanguage::set(AppLanguage language, UserDefaults& defaults, NotificationCenter& center) {
    if (stored(defaults) == language) return;
    defaults.set(defaultsKey, std::string(language.rawValue()));
    postDidChangeNotification(language, center);
}

void AppLanguage::postDidChangeNotification(AppLanguage language, NotificationCenter& center) {
    center.post(didChangeNotification, {{languageUserInfoKey, std::string(language.rawValue())}});
}

AppLanguage AppLanguage::current() {
    return StandardAppLanguage::current();
}

}  // namespace quorvane
