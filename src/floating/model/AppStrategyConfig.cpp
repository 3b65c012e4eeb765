#include "floating/model/AppStrategyConfig.h"

#include <initializer_list>

namespace quorvane {

namespace {

using S = CaretDetectionStrategy;

// Chromium-based browsers and Firefox answer the marker range best; the estimates follow for web fields.
const std::vector<S> kBrowserStrategies = {S::textMarkerRange, S::boundsForRange, S::selectionEnd,
                                           S::zeroRange,       S::visibleRange,   S::lineInfo};
// WebKit answers character bounds; its marker range is not worth a round trip.
const std::vector<S> kWebKitStrategies = {S::boundsForRange, S::selectionEnd, S::zeroRange, S::visibleRange,
                                          S::lineInfo};
// Native editors report exact character bounds, and estimates would only land in the wrong place.
const std::vector<S> kEditorStrategies = {S::boundsForRange, S::selectionEnd, S::zeroRange};
// Electron editors.
const std::vector<S> kCodeStrategies = {S::textMarkerRange, S::boundsForRange, S::selectionEnd, S::zeroRange,
                                        S::lineInfo};
// Java programs answer little; every estimate is worth trying, down to the last line of the editor.
const std::vector<S> kJavaIdeStrategies = {S::boundsForRange,  S::selectionEnd,     S::zeroRange,
                                           S::lineInfo,        S::elementAndWindow, S::textMarkerRange,
                                           S::lastLineFallback};

AppStrategyConfig row(std::string id, std::string name, const std::vector<S>& strategies) {
    return AppStrategyConfig{
        std::move(id), std::move(name), strategies, PanelOffsetMode::none, PanelOffsetDirection::down,
        std::nullopt};
}

}  // namespace

AppStrategyConfig defaultAppStrategyConfig() {
    return AppStrategyConfig{"*",
                             "Default",
                             {allCaretDetectionStrategies.begin(), allCaretDetectionStrategies.end()},
                             PanelOffsetMode::none,
                             PanelOffsetDirection::down,
                             std::nullopt};
}

const AppStrategyTable& builtInAppStrategyTable() {
    static const AppStrategyTable table = [] {
        AppStrategyTable rows;
        for (auto config : std::initializer_list<AppStrategyConfig>{
                 row("google-chrome", "Chrome", kBrowserStrategies),
                 row("com.google.Chrome", "Chrome", kBrowserStrategies),
                 row("chromium", "Chromium", kBrowserStrategies),
                 row("org.chromium.Chromium", "Chromium", kBrowserStrategies),
                 row("brave-browser", "Brave", kBrowserStrategies),
                 row("com.brave.Browser", "Brave", kBrowserStrategies),
                 row("firefox", "Firefox", kBrowserStrategies),
                 row("org.mozilla.firefox", "Firefox", kBrowserStrategies),
                 row("org.gnome.Epiphany", "Web", kWebKitStrategies),
                 row("org.gnome.TextEditor", "Text Editor", kEditorStrategies),
                 row("org.gnome.gedit", "gedit", kEditorStrategies),
                 row("org.kde.kate", "Kate", kEditorStrategies),
                 row("org.kde.kwrite", "KWrite", kEditorStrategies),
                 row("code", "VSCode", kCodeStrategies),
                 row("com.visualstudio.code", "VSCode", kCodeStrategies),
                 row("jetbrains-idea", "IntelliJ IDEA", kJavaIdeStrategies),
                 row("com.jetbrains.IntelliJ-IDEA", "IntelliJ IDEA", kJavaIdeStrategies),
             }) {
            std::string key = config.bundleIdentifier;
            rows.emplace(std::move(key), std::move(config));
        }
        return rows;
    }();
    return table;
}

const std::vector<std::string>& browserBundleIdentifierPrefixes() {
    static const std::vector<std::string> prefixes = {
        "google-chrome",      "com.google.Chrome", "chromium", "org.chromium.Chromium",
        "brave-browser",      "com.brave.Browser", "firefox",  "org.mozilla.firefox",
        "org.gnome.Epiphany",
    };
    return prefixes;
}

}  // namespace quorvane
