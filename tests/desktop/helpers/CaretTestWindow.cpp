// A small window with one text field, for the caret tests and measurements: a line edit, or a text editor
// when started with "multiline". It prints one line per event on standard output: "focus x y w h" once
// the field has focus in the active window and "text <text> x y w h" after every change (newlines in the
// text written as "\n"), with the field's rectangle on screen, followed by "caret x y w h", the caret's
// rectangle on screen as the field draws it (after any scrolling), and "blur" when the field loses the focus
// with its window.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("caret-test-window");
    const bool multiLine = QApplication::arguments().contains("multiline");
    // "once": stop asking for activation after the first grant, so another window can take the focus.
    const bool activateOnce = QApplication::arguments().contains("once");

    QWidget window;
    window.setWindowTitle("Caret test window");
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("Type here:"));
    QWidget* field = nullptr;
    QTextStream out(stdout);
    auto where = [&] {
        const QPoint origin = field->mapToGlobal(QPoint(0, 0));
        return QString("%1 %2 %3 %4")
            .arg(origin.x())
            .arg(origin.y())
            .arg(field->width())
            .arg(field->height());
    };
    auto report = [&](QString text) {
        out << "text " << text.replace('\n', "\\n") << ' ' << where() << Qt::endl;
        // The field scrolls when it paints next: report the caret once it has.
        QTimer::singleShot(100, field, [&] {
            const QRect caret = field->inputMethodQuery(Qt::ImCursorRectangle).toRect();
            const QPoint origin = field->mapToGlobal(caret.topLeft());
            out << "caret " << origin.x() << ' ' << origin.y() << ' ' << caret.width() << ' '
                << caret.height() << Qt::endl;
        });
    };
    if (multiLine) {
        // A text edit rather than a plain-text edit: the latter reports every line's characters at its top.
        auto* editor = new QTextEdit;
        editor->setAcceptRichText(false);
        QObject::connect(editor, &QTextEdit::textChanged, [&, editor] { report(editor->toPlainText()); });
        field = editor;
    } else {
        auto* line = new QLineEdit;
        QObject::connect(line, &QLineEdit::textChanged, report);
        field = line;
    }
    field->setAccessibleName("Caret test field");
    layout->addWidget(field);
    window.resize(420, multiLine ? 260 : 120);
    window.move(220, 160);

    // Asks for activation until the window manager grants it: a window mapped while the manager is still
    // settling may be passed over.
    bool reported = false;
    QTimer activation;
    QObject::connect(&activation, &QTimer::timeout, [&] {
        if (window.isActiveWindow() && field->hasFocus()) {
            if (!reported) out << "focus " << where() << Qt::endl;
            reported = true;
            if (activateOnce) activation.stop();
            return;
        }
        window.raise();
        window.activateWindow();
        field->setFocus();
    });
    activation.start(200);
    // "blur" once the field's focus has gone with its window's activation, as under another program's grab.
    QObject::connect(&application, &QApplication::focusChanged, [&](QWidget* old, QWidget* now) {
        if (reported && old == field && !now) out << "blur" << Qt::endl;
    });

    window.show();
    window.activateWindow();
    field->setFocus();
    return application.exec();
}
