#pragma once

// The look of the panels' footer tip buttons (a key hint such as "↵ Copy & Return"): their size from the
// measured title and symbol, and the tint and background alpha in the plain, hovered and pressed states.
// Hover follows enter and exit events: a second enter or an exit without an enter changes nothing.
// Main thread only.

namespace quorvane {

class ClipboardFooterTipButtonStyle {
public:
    struct Size {
        double width = 0;
        double height = 0;
        friend bool operator==(const Size&, const Size&) = default;
    };
    struct Appearance {
        // Background: the tertiary label colour at this alpha (0: clear).
        double backgroundAlpha = 0;
        // Content: the label colour at this alpha, or the secondary label colour.
        double contentAlpha = 1;
        bool secondaryContent = false;
        friend bool operator==(const Appearance&, const Appearance&) = default;
    };

    // The measured content widened by 12 and at least 22 high (4 more than measured).
    static Size intrinsicSize(double contentWidth, double contentHeight);
    static Appearance appearance(bool pressed, bool hovered);

    bool isHovered() const { return hovered_; }
    // Each returns whether the appearance must be refreshed.
    bool pointerEntered();
    bool pointerExited();

private:
    bool hovered_ = false;
};

}  // namespace quorvane
