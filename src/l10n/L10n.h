#pragma once

// The one lookup of every interface text: a key and its arguments in, the text of the interface language out.
// Both catalogues are compiled in and total; the language is AppLanguage::current(). Arguments are inserted
// into fixed pieces, never read as patterns themselves. Safe from any thread.

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "l10n/AppLanguage.h"
#include "l10n/L10nArgument.h"
#include "l10n/L10nKey.h"

namespace quorvane {

class L10n {
public:
    L10n() = delete;

    // The text of `key` in the current language, with `arguments` (strings or integers, in the key's order)
    // inserted. Never empty for a key of the catalogue; a wrong number or kind of arguments is logged and
    // filled as well as it can be (missing ones as empty, extra ones dropped).
    template <class... Arguments>
    static std::string text(L10nKey key, const Arguments&... arguments) {
        const std::array<L10nArgument, sizeof...(Arguments)> list{L10nArgument(arguments)...};
        return textIn(AppLanguage::current(), key, list);
    }

    // The same in a given language.
    static std::string textIn(AppLanguage language, L10nKey key, std::span<const L10nArgument> arguments);

    // The key's name in the table, e.g. "onboardingStepOfTotal".
    static std::string_view identifier(L10nKey key);
    // The kinds of the arguments the key takes, in order.
    static std::span<const L10nArgumentKind> argumentKinds(L10nKey key);
    // The catalogue text itself, with its arguments written {1}, {2} ...
    static std::string_view pattern(AppLanguage language, L10nKey key);
};

}  // namespace quorvane
