#pragma once

// Writes frames of one size as a looping animated GIF, the animation format Qt plays with its own plugin.
// One palette of 255 colours is chosen from all frames (the most used colours, each the mean of the close
// shades it stands for); each frame after the first stores only the rectangle that changed, with unchanged
// pixels transparent, and a frame equal to the one before only lengthens that one. Main thread or any one
// thread at a time.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <vector>

namespace quorvane {

class GifAnimationWriter {
public:
    explicit GifAnimationWriter(QSize size);

    // Adds `frame` (scaled to the animation's size when it differs), shown for `delayMilliseconds`
    // (rounded to the format's hundredths of a second, at least one).
    void addFrame(const QImage& frame, int delayMilliseconds);
    int frameCount() const { return static_cast<int>(frames_.size()); }

    // The whole file; empty when no frame was added.
    QByteArray encode() const;

private:
    struct Frame {
        QImage image;
        int delayCentiseconds;
    };

    QSize size_;
    std::vector<Frame> frames_;
};

}  // namespace quorvane
