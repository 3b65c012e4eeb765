#pragma once

// How the caret lookup treats one program: the strategies to try, in order, and the offset applied to the
// caret found. The built-in table keys on desktop-file ids. Plain values; the table is built once, safely
// from any thread.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "floating/model/CaretDetectionStrategy.h"
#include "floating/model/PanelOffsetDirection.h"
#include "floating/model/PanelOffsetMode.h"

namespace quorvane {

struct AppStrategyConfig {
    std::string bundleIdentifier;
    std::string displayName;
    std::vector<CaretDetectionStrategy> preferredStrategies;
    PanelOffsetMode offsetMode = PanelOffsetMode::none;
    PanelOffsetDirection offsetDirection = PanelOffsetDirection::down;
    std::optional<double> customOffset;

    bool operator==(const AppStrategyConfig&) const = default;
};

// Keyed by bundle identifier (desktop-file id); a key also matches the ids it is a prefix of, so no key may
// be a prefix of another.
using AppStrategyTable = std::map<std::string, AppStrategyConfig>;

// For every program the table does not name: all strategies in order, no offset.
AppStrategyConfig defaultAppStrategyConfig();

// The browsers, editors and IDEs whose caret answers are known.
const AppStrategyTable& builtInAppStrategyTable();

// Ids whose text fields get the browser's estimate when every strategy failed (matched as prefixes).
const std::vector<std::string>& browserBundleIdentifierPrefixes();

}  // namespace quorvane
