#include "panel/widgets/OCRWindowPresenter.h"

#include <QGuiApplication>
#include <QScreen>

#include "ui/ShownImageDecoding.h"

namespace quorvane {

OCRWindow* presentOCRWindow(const Data& imageData, const OCRWindowServices& services) {
    // Shown scaled to fit; the recognition reads the bytes at their full size on its own.
    QImage image = decodeImageNoWiderThan(imageData, widestScreenPixels());
    auto viewModel = std::make_unique<OCRViewModel>(imageData, !image.isNull(), services.recognizer,
                                                    services.mainQueue, services.pasteboard);
    auto* window = new OCRWindow(std::move(viewModel), std::move(image));
    window->resize(1000, 600);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    // In front once, not kept above other windows afterwards.
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

std::function<void(const Data&)> makeOCRWindowPresenter(OCRWindowServices services) {
    return [services](const Data& imageData) { presentOCRWindow(imageData, services); };
}

}  // namespace quorvane
