#pragma once

// The short line under a shortcut recorder that says the shortcut does not work now (another program holds
// it). Hidden while there is nothing to say; red in the palette's shade, following palette changes. Main
// thread only.

#include <QLabel>
#include <optional>
#include <string>

namespace quorvane {

class HotkeyFailureLabel : public QLabel {
    Q_OBJECT

public:
    explicit HotkeyFailureLabel(QWidget* parent = nullptr);

    // Shows `text`, or hides the line when there is none.
    void setFailure(const std::optional<std::string>& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColor();
};

}  // namespace quorvane
