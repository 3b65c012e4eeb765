#pragma once

// The key of every interface text, in catalogue order; L10n::text turns a key and its arguments into the
// text of the interface language. The keys come from the table in L10nTable.inc.

#include <cstddef>
#include <cstdint>

namespace quorvane {

enum class L10nKey : std::uint16_t {
#define QUORVANE_TEXT(key, kinds, english, chinese) key,
#include "l10n/L10nTable.inc"
#undef QUORVANE_TEXT
};

inline constexpr std::size_t l10nKeyCount = 0
#define QUORVANE_TEXT(key, kinds, english, chinese) +1
#include "l10n/L10nTable.inc"
#undef QUORVANE_TEXT
    ;

}  // namespace quorvane
