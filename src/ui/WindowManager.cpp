#include "ui/WindowManager.h"

#include <QByteArray>
#include <QEvent>
#include <QTimer>
#include <utility>

#include "base/Logger.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "WindowManager";
constexpr const char* kIdentifierProperty = "quorvaneWindowIdentifier";

}  // namespace

WindowManager::WindowManager(UserDefaults& userDefaults, QObject* parent)
    : QObject(parent), userDefaults_(userDefaults) {}

WindowManager::~WindowManager() {
    // Each deletion reports back through destroyed(); the registry must not be walked while it shrinks.
    const auto windows = std::exchange(windows_, {});
    for (const auto& [identifier, window] : windows) {
        if (!window) continue;
        window->removeEventFilter(this);
        delete window.data();
    }
}

std::string WindowManager::frameDefaultsKey(const std::string& autosaveName) {
    return "WindowFrame " + autosaveName;
}

QWidget* WindowManager::window(const std::string& identifier) const {
    const auto found = windows_.find(identifier);
    return found == windows_.end() ? nullptr : found->second.data();
}

QWidget* WindowManager::showWindow(const std::string& identifier, std::unique_ptr<QWidget> window) {
    return showWindow(identifier, [&window] { return std::move(window); });
}

QWidget* WindowManager::showWindow(const std::string& identifier,
                                   const std::function<std::unique_ptr<QWidget>()>& makeWindow) {
    if (QWidget* existing = window(identifier)) {
        bringToFront(existing);
        return existing;
    }
    std::unique_ptr<QWidget> made = makeWindow();
    if (!made) return nullptr;
    QWidget* shown = made.release();
    shown->setObjectName(QString::fromStdString(identifier));
    shown->setProperty(kIdentifierProperty, QString::fromStdString(identifier));
    shown->installEventFilter(this);
    // A window deleted by its own code leaves no dangling entry.
    connect(shown, &QObject::destroyed, this, [this, identifier, shown] {
        const auto found = windows_.find(identifier);
        if (found != windows_.end() && (found->second.isNull() || found->second.data() == shown)) {
            windows_.erase(found);
        }
    });
    windows_[identifier] = shown;
    restoreFrame(identifier, shown);
    bringToFront(shown);
    return shown;
}

void WindowManager::bringToFront(QWidget* window) {
    if (window->isMinimized()) window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowManager::saveFrame(const std::string& identifier, QWidget* window) {
    const QByteArray geometry = window->saveGeometry();
    userDefaults_.set(frameDefaultsKey(autosaveName(identifier)), Data(geometry.begin(), geometry.end()));
}

void WindowManager::restoreFrame(const std::string& identifier, QWidget* window) {
    const std::string key = frameDefaultsKey(autosaveName(identifier));
    if (!userDefaults_.contains(key)) return;
    const auto data = userDefaults_.dataValue(key);
    if (!data || !window->restoreGeometry(QByteArray(reinterpret_cast<const char*>(data->data()),
                                                     static_cast<qsizetype>(data->size())))) {
        // The window opens where its own code puts it; the next close stores a good frame again.
        Logger::error(
            "Failed to restore the frame of " + autosaveName(identifier) + ": unreadable saved frame",
            kLogCategory);
    }
}

bool WindowManager::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close) {
        // The window's own handler may still refuse the close; look once it has run. A window that is
        // hidden then was closed (or shown again in between, and then it stays).
        QPointer<QWidget> closing = qobject_cast<QWidget*>(watched);
        const std::string identifier = watched->property(kIdentifierProperty).toString().toStdString();
        QTimer::singleShot(0, this, [this, closing, identifier] {
            const auto found = windows_.find(identifier);
            if (!closing || closing->isVisible() || found == windows_.end() || found->second != closing)
                return;
            saveFrame(identifier, closing);
            windows_.erase(found);
            closing->removeEventFilter(this);
            closing->deleteLater();
        });
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quorvane
