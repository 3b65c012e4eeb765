#pragma once

// Keeps a panel's keyboard with its search field. A click on anything in the panel's window that is not a
// text control (the background, the footer, a button, a list row) gives the field the focus back, and a typed
// key that reaches another widget of the window anyway (a text control the user clicked, a context menu
// that just closed) is handed on to the field, so what the user types always lands in the search. The
// panel's own shortcuts run first: the panel's key filter is installed after this one. Main thread only.

#include <QObject>
#include <QPointer>

class QKeyEvent;
class QLineEdit;
class QWidget;

namespace quorvane {

class SearchFocusKeeper : public QObject {
    Q_OBJECT
public:
    // Both must outlive the keeper or be deleted with it (a parent of the keeper).
    SearchFocusKeeper(QWidget& window, QLineEdit& field, QObject* parent = nullptr);
    ~SearchFocusKeeper() override;

    // A widget that takes typing or selects text with the mouse: an editable field or a text view.
    static bool isTextControl(const QWidget* widget);
    // A key that edits text: it types a visible character or moves and deletes within a line.
    static bool isTypingKey(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(const QWidget* widget) const;
    void refocusFieldLater();

    QPointer<QWidget> window_;
    QPointer<QLineEdit> field_;
    bool refocusPending_ = false;
};

}  // namespace quorvane
