#pragma once

// The frame around the ignored-applications list that takes dropped files: while a drag of acceptable files
// hovers it is highlighted in the accent colour and offers a copy; anything else is refused while hovering.
// What is acceptable, and what happens to a drop, the page decides through the two callbacks; the verdict is
// asked once per drag, when it enters, not on every move. Main thread only.

#include <QFrame>
#include <filesystem>
#include <functional>
#include <vector>

class QMimeData;

namespace quorvane {

class IgnoredAppsDropTarget : public QFrame {
    Q_OBJECT
public:
    using Files = std::vector<std::filesystem::path>;

    explicit IgnoredAppsDropTarget(QWidget* parent = nullptr);

    // May these files be dropped? Without it nothing is accepted.
    std::function<bool(const Files&)> validateDroppedAppURLs;
    // Called with the files of an accepted drop.
    std::function<void(const Files&)> onDroppedAppURLs;

    bool isDropTargetActive() const { return isDropTargetActive_; }
    // The local files a drag carries; empty when it carries anything that is not a local file.
    static Files filesOf(const QMimeData* data);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool accepts(const QMimeData* data) const;
    void setDropTargetActive(bool active);

    bool isDropTargetActive_ = false;
    // The verdict on the drag now hovering.
    bool dragAcceptable_ = false;
};

}  // namespace quorvane
