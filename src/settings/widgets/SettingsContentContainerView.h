#pragma once

// The settings window's content area: it holds every page but shows one. Assistive technologies are offered
// only the page shown, so a screen reader never reaches the controls of a page the user cannot see. Main
// thread only.

#include <QWidget>

namespace quorvane {

class SettingsContentContainerView : public QWidget {
    Q_OBJECT

public:
    explicit SettingsContentContainerView(QWidget* parent = nullptr);
};

}  // namespace quorvane
