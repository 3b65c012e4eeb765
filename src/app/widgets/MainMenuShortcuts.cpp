#include "app/widgets/MainMenuShortcuts.h"

#include <QApplication>
#include <QByteArray>
#include <QEvent>
#include <QKeySequence>
#include <QWidget>

namespace quorvane {

namespace {

// The slot of the focused control each Edit command calls (line and text edits, item views).
const char* editSlot(AppMenuAction action) {
    switch (action) {
        case AppMenuAction::undo:
            return "undo";
        case AppMenuAction::redo:
            return "redo";
        case AppMenuAction::cut:
            return "cut";
        case AppMenuAction::copy:
            return "copy";
        case AppMenuAction::paste:
            return "paste";
        case AppMenuAction::selectAll:
            return "selectAll";
        default:
            return nullptr;
    }
}

bool isOrdinaryWindow(const QWidget* widget) {
    return widget->isWindow() && widget->windowType() == Qt::Window;
}

}  // namespace

MainMenuShortcuts::MainMenuShortcuts(AppMainMenu& menu, std::function<void(AppMenuAction)> handler,
                                     QObject* parent)
    : QObject(parent), menu_(menu), handler_(std::move(handler)) {
    for (const AppMenu& section : menu_.menus()) {
        for (const AppMenuItem& item : section.items) {
            // X11 has no "other applications" to hide.
            if (item.isSeparator || !item.keyEquivalent || item.action == AppMenuAction::hideOthers) continue;
            auto* action = new QAction(this);
            action->setShortcut(QKeySequence(QString::fromStdString(item.keyEquivalent->portableText())));
            action->setShortcutContext(Qt::WindowShortcut);
            const AppMenuAction command = item.action;
            connect(action, &QAction::triggered, this, [this, command] { perform(command); });
            actions_[command] = action;
        }
    }
    render();
    menuObservation_ = menu_.observeChanges([this] { render(); });
    qApp->installEventFilter(this);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && isOrdinaryWindow(window)) attach(window);
    }
}

MainMenuShortcuts::~MainMenuShortcuts() {
    qApp->removeEventFilter(this);
}

QAction* MainMenuShortcuts::action(AppMenuAction action) const {
    const auto found = actions_.find(action);
    return found == actions_.end() ? nullptr : found->second;
}

void MainMenuShortcuts::attach(QWidget* window) {
    for (const auto& [command, action] : actions_) {
        if (!window->actions().contains(action)) window->addAction(action);
    }
}

bool MainMenuShortcuts::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (isOrdinaryWindow(widget)) attach(widget);
    }
    return QObject::eventFilter(watched, event);
}

void MainMenuShortcuts::render() {
    for (const auto& [command, action] : actions_) {
        const auto item = menu_.item(command);
        action->setText(item ? QString::fromStdString(item->title) : QString());
        action->setEnabled(item && item->enabled);
    }
}

void MainMenuShortcuts::perform(AppMenuAction action) {
    if (const char* slot = editSlot(action)) {
        // The focused control first, then its containers up to the window: a window with a command of its
        // own (an image pin's copy) takes it where no control has one.
        const QByteArray signature = QByteArray(slot) + "()";
        QWidget* focused = QApplication::focusWidget();
        for (QWidget* widget = focused ? focused : QApplication::activeWindow(); widget;
             widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
            if (widget->metaObject()->indexOfMethod(signature.constData()) >= 0) {
                QMetaObject::invokeMethod(widget, slot);
                return;
            }
        }
        return;
    }
    switch (action) {
        case AppMenuAction::closeWindow:
            if (QWidget* window = QApplication::activeWindow()) window->close();
            return;
        case AppMenuAction::hide:
            // The nearest thing to hiding an application: every ordinary window of ours goes to the task bar.
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->isVisible() && isOrdinaryWindow(window)) window->showMinimized();
            }
            return;
        default:
            if (handler_) handler_(action);
    }
}

}  // namespace quorvane
