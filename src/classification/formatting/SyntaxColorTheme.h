#pragma once

// Colours of the syntax highlighters. A colour is a plain RGB value for the light appearance and one for the
// dark appearance; the view that draws the text picks one when it draws, so a change of appearance recolours
// text that was highlighted earlier. Plain values; the two shared themes are built once, safe from any
// thread.

namespace quorvane {

struct RgbColor {
    double red = 0;  // 0 to 1, sRGB, opaque
    double green = 0;
    double blue = 0;

    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

struct SyntaxColor {
    RgbColor light;
    RgbColor dark;

    friend bool operator==(const SyntaxColor&, const SyntaxColor&) = default;
};

struct SyntaxColorTheme {
    SyntaxColor keyword;
    SyntaxColor property;
    SyntaxColor string;
    SyntaxColor number;
    SyntaxColor comment;
    SyntaxColor punctuation;
    SyntaxColor bracket;
    SyntaxColor text;

    // The JSON and JSON Lines colours.
    static const SyntaxColorTheme& json();
    // The SQL colours: the desktop's usual blue, green, orange, grey, purple and red.
    static const SyntaxColorTheme& sql();

    friend bool operator==(const SyntaxColorTheme&, const SyntaxColorTheme&) = default;
};

}  // namespace quorvane
