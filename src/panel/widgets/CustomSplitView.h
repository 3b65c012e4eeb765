#pragma once

// The centred panel's split view: list on the left, detail on the right. Its divider draws nothing; the
// panel draws its own 1-point line in the middle of it, so the handle a person grabs is the line they see,
// with a few pixels to spare on each side. Main thread only.

#include <QSplitter>

namespace quorvane {

class CustomSplitView : public QSplitter {
    Q_OBJECT
public:
    // Wide enough to hit with a mouse, narrow enough to read as a line.
    static constexpr int grabWidth = 6;

    explicit CustomSplitView(QWidget* parent = nullptr);

protected:
    QSplitterHandle* createHandle() override;
};

}  // namespace quorvane
