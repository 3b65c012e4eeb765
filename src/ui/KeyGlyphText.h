#pragma once

// How texts name keys on Linux: the key the other desktop calls Command is Ctrl here, written out as a word
// wherever a glyph would stand. Shared by footers, menus and key-combination displays.

#include <QString>

namespace quorvane {

class KeyGlyphText {
public:
    KeyGlyphText() = delete;

    // "Ctrl".
    static QString commandKey();
    // The Command key with `key`, written as the menus write their shortcuts: "Ctrl+K".
    static QString commandCombination(const QString& key);
};

}  // namespace quorvane
