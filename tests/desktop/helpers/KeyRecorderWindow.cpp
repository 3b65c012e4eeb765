// A window that gives itself the WM_CLASS it is started with ("KeyRecorderWindow <instance> <class>") and
// records the keys it receives, standing in for a program the paste table knows. It prints "focus" once it
// is the active window, then "key <keys>" for every key pressed (modifiers alone are not printed), e.g.
// "key Shift+Ins" or "key Ctrl+V".

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

namespace {

class KeyRecorder : public QWidget {
public:
    explicit KeyRecorder(QTextStream& out) : out_(out) { setFocusPolicy(Qt::StrongFocus); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Shift:
            case Qt::Key_Control:
            case Qt::Key_Alt:
            case Qt::Key_Meta:
            case Qt::Key_Super_L:
            case Qt::Key_Super_R:
                return;
            default:
                break;
        }
        const QKeySequence keys(event->keyCombination());
        out_ << "key " << keys.toString(QKeySequence::PortableText) << Qt::endl;
    }

private:
    QTextStream& out_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        QTextStream(stderr) << "usage: KeyRecorderWindow <instance> <class>" << Qt::endl;
        return 2;
    }
    // Qt names the window's WM_CLASS after these when it creates the first window.
    qputenv("RESOURCE_NAME", argv[1]);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLocal8Bit(argv[2]));

    QTextStream out(stdout);
    KeyRecorder window(out);
    window.setWindowTitle("Key recorder");
    window.resize(360, 120);
    window.move(240, 180);

    // Asks for activation until the window manager grants it, then leaves the focus alone so the panel can
    // take it.
    QTimer activation;
    QObject::connect(&activation, &QTimer::timeout, [&] {
        if (window.isActiveWindow()) {
            out << "focus" << Qt::endl;
            activation.stop();
            return;
        }
        window.raise();
        window.activateWindow();
    });
    activation.start(200);

    window.show();
    window.activateWindow();
    return application.exec();
}
