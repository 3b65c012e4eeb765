#pragma once

// The registry of the application's single-instance windows (About, onboarding, classification, settings)
// by identifier. Showing an identifier that is registered brings its window to the front; otherwise the given
// window is registered, its frame restored from the settings under its autosave name ("<identifier>Window")
// and shown. When a window has closed, its frame is saved, its entry dropped and the window released, so the
// next request builds a fresh one. One per process, made by the container. Main thread only.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/UserDefaults.h"

namespace quorvane {

class WindowManager : public QObject {
    Q_OBJECT

public:
    // `userDefaults` must outlive the manager.
    explicit WindowManager(UserDefaults& userDefaults, QObject* parent = nullptr);
    // Closes nothing: windows still registered are released with the manager.
    ~WindowManager() override;

    // The settings key of a window's saved frame.
    static std::string frameDefaultsKey(const std::string& autosaveName);
    static std::string autosaveName(const std::string& identifier) { return identifier + "Window"; }

    // Shows the window registered under `identifier`; when there is none, registers `window` (the manager
    // takes it) and shows it. A window passed for an identifier that is registered is not used and released.
    // Returns the window shown.
    QWidget* showWindow(const std::string& identifier, std::unique_ptr<QWidget> window);
    // The same, building the window only when the identifier has none.
    QWidget* showWindow(const std::string& identifier,
                        const std::function<std::unique_ptr<QWidget>()>& makeWindow);

    // The registered window, or null.
    QWidget* window(const std::string& identifier) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void bringToFront(QWidget* window);
    void saveFrame(const std::string& identifier, QWidget* window);
    void restoreFrame(const std::string& identifier, QWidget* window);

    UserDefaults& userDefaults_;
    std::map<std::string, QPointer<QWidget>> windows_;
};

}  // namespace quorvane
