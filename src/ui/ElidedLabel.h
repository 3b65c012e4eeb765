#pragma once

// A one-line label that never asks for more width than it gets: text too wide for it ends in "…" instead of
// being cut off at both ends. The whole text stays the accessible name. Main thread only.

#include <QLabel>
#include <QString>

namespace quorvane {

class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // Use this, not setText(): the shown text follows the width.
    void setFullText(const QString& text);
    const QString& fullText() const { return fullText_; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();

    QString fullText_;
};

}  // namespace quorvane
