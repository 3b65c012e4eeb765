#pragma once

// The centred panel's split view: list on the left, detail on the right. Its divider draws nothing; the
// panel draws its own 1-point line in its place. Main thread only.

#include <QSplitter>

namespace quorvane {

class CustomSplitView : public QSplitter {
    Q_OBJECT
public:
    explicit CustomSplitView(QWidget* parent = nullptr);

protected:
    QSplitterHandle* createHandle() override;
};

}  // namespace quorvane
