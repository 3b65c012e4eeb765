#pragma once

// Thin scroll bars that show while the content moves or the pointer is over them and fade away after, drawn
// over the content's edge instead of beside it, with no arrow buttons: the look of the panels' preview text
// and of the pin window, whatever style the desktop gives the application. Main thread only.

class QAbstractScrollArea;

namespace quorvane {

class TransientScrollBars {
public:
    // Gives `area` and its scroll bars the transient kind.
    static void apply(QAbstractScrollArea& area);
    // True when `area` has them (tests read it).
    static bool isApplied(const QAbstractScrollArea& area);
};

}  // namespace quorvane
