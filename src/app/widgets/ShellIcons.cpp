#include "app/widgets/ShellIcons.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// The resource file lives in a static library: register it before the first lookup.
static void initializeShellResources() {
    Q_INIT_RESOURCE(shell);
}

namespace quorvane {

namespace {

QString resourcePath(const std::string& symbolName) {
    static const bool initialized = (initializeShellResources(), true);
    (void)initialized;
    return QStringLiteral(":/shell/icons/") + QString::fromStdString(symbolName) + QStringLiteral(".svg");
}

}  // namespace

QPixmap shellPixmap(const std::string& symbolName, const QColor& color, int size, qreal devicePixelRatio) {
    QSvgRenderer renderer(resourcePath(symbolName));
    if (!renderer.isValid()) return {};
    const int pixels = qRound(size * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon shellIcon(const std::string& symbolName, const QColor& color, int size) {
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap pixmap = shellPixmap(symbolName, color, size, ratio);
        if (pixmap.isNull()) return {};
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon applicationIcon() {
    return QIcon(resourcePath("application"));
}

}  // namespace quorvane
