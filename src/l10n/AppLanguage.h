#pragma once

// The interface language, English or Simplified Chinese, stored under "AppLanguage". The settings page and
// the onboarding wizard change it through set(), which announces the change with
// "Quorvane.AppLanguageDidChange". Value operations are safe from any thread; set() belongs to the main
// thread.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvane {

class NotificationCenter;
class UserDefaults;

class AppLanguage {
public:
    enum Value : std::uint8_t { english, simplifiedChinese };

    static constexpr const char* defaultsKey = "AppLanguage";
    static constexpr const char* didChangeNotification = "Quorvane.AppLanguageDidChange";
    // The notification's user info holds the new language's raw value under this key.
    static constexpr const char* languageUserInfoKey = "language";

    constexpr AppLanguage(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }

    // "en" or "zh-Hans".
    std::string_view rawValue() const;
    // The locale for dates and numbers: "en" or "zh-Hans".
    std::string_view localeIdentifier() const;
    // The language whose raw value is exactly `rawValue` (case counts), or nothing.
    static std::optional<AppLanguage> fromRawValue(std::string_view rawValue);

    // The language stored in `defaults`: Chinese only for the exact string "zh-Hans"; absent, any other
    // string or a value of another kind reads as English (and is left as it is).
    static AppLanguage stored(const UserDefaults& defaults);

    // Stores `language` in `defaults` and queues the change notification on `center`; does nothing at all
    // when the stored language already reads as `language`. Lookups made after it returns use the new
    // language; observers run on a later turn of the main loop. Main thread.
    static void set(AppLanguage language, UserDefaults& defaults, NotificationCenter& center);
    // Queues "Quorvane.AppLanguageDidChange" with no object and { "language": raw value }. Used by set().
    static void postDidChangeNotification(AppLanguage language, NotificationCenter& center);

    // The language of the standard settings that a StandardAppLanguage follows; English while none does.
    // Cheap (one atomic read), safe from any thread: every text lookup calls it.
    static AppLanguage current();
    // The locale identifier of current().
    static std::string_view currentLocale() { return current().localeIdentifier(); }

private:
    Value value_;
};

}  // namespace quorvane
