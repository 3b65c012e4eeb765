// A small window with one line edit, for the caret tests and measurements. It prints one line per event on
// standard output: "focus x y w h" once the field has focus in the active window and "text <text> x y w h"
// after every change, with the field's rectangle on screen.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("caret-test-window");

    QWidget window;
    window.setWindowTitle("Caret test window");
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("Type here:"));
    auto* field = new QLineEdit;
    field->setAccessibleName("Caret test field");
    layout->addWidget(field);
    window.resize(420, 120);
    window.move(220, 160);

    QTextStream out(stdout);
    auto where = [&] {
        const QPoint origin = field->mapToGlobal(QPoint(0, 0));
        return QString("%1 %2 %3 %4")
            .arg(origin.x())
            .arg(origin.y())
            .arg(field->width())
            .arg(field->height());
    };
    // Asks for activation until the window manager grants it: a window mapped while the manager is still
    // settling may be passed over.
    bool reported = false;
    QTimer activation;
    QObject::connect(&activation, &QTimer::timeout, [&] {
        if (window.isActiveWindow() && field->hasFocus()) {
            if (!reported) out << "focus " << where() << Qt::endl;
            reported = true;
            return;
        }
        window.raise();
        window.activateWindow();
        field->setFocus();
    });
    activation.start(200);
    QObject::connect(field, &QLineEdit::textChanged,
                     [&](const QString& text) { out << "text " << text << ' ' << where() << Qt::endl; });

    window.show();
    window.activateWindow();
    field->setFocus();
    return application.exec();
}
