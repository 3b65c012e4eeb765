// A window of another program that takes drops, for the drag-out tests: started as
// "DropTargetWindow x y", it prints "ready x y w h" once shown (its frame on screen), "enter <formats>"
// when a drag comes in, and for each drop "text <text>" (newlines written as "\n"), "image <w> <h> <#rrggbb
// of the centre pixel>" and "url <local path>" as far as the drop holds them, then "dropped".

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QTextStream>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

class DropTarget final : public QWidget {
public:
    DropTarget() {
        setAcceptDrops(true);
        setWindowTitle("Drop target");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("Drop here"));
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        out() << "enter " << event->mimeData()->formats().join(' ') << Qt::endl;
        event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        const QMimeData* mime = event->mimeData();
        if (mime->hasText()) out() << "text " << mime->text().replace('\n', "\\n") << Qt::endl;
        if (mime->hasImage()) {
            const QImage image = qvariant_cast<QImage>(mime->imageData());
            const QColor centre = image.isNull() ? QColor() : image.pixelColor(image.rect().center());
            out() << "image " << image.width() << ' ' << image.height() << ' ' << centre.name() << Qt::endl;
        }
        for (const QUrl& url : mime->urls()) out() << "url " << url.toLocalFile() << Qt::endl;
        event->acceptProposedAction();
        out() << "dropped" << Qt::endl;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    DropTarget window;
    window.resize(360, 220);
    if (arguments.size() >= 3) window.move(arguments[1].toInt(), arguments[2].toInt());
    window.show();

    // Reports once the window manager has mapped the window where it stays.
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (!window.isVisible() || !window.windowHandle()->isExposed()) return;
        const QPoint origin = window.mapToGlobal(QPoint(0, 0));
        out() << "ready " << origin.x() << ' ' << origin.y() << ' ' << window.width() << ' '
              << window.height() << Qt::endl;
        ready.stop();
    });
    ready.start(100);
    return application.exec();
}
