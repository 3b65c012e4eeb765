#pragma once

// Pop-ups, spin boxes and sliders take the wheel only once the user has given them the focus; until then a
// wheel step over one scrolls the page it sits on. Otherwise scrolling a page turns whatever control passes
// under the pointer, and the change is stored as if chosen. Main thread only.

class QWidget;

namespace quorvane {

class WheelPassThrough {
public:
    WheelPassThrough() = delete;

    // `control` takes the focus by click or Tab (never by wheel) and passes the wheel on while unfocused.
    static void apply(QWidget* control);
    // apply() for every pop-up, spin box and slider under `root` (scroll bars keep their wheel).
    static void applyToChildren(QWidget* root);
};

}  // namespace quorvane
