#pragma once

// Opens the settings window, or brings the open one to the front, on a given module or on the module last
// shown. The window registry holds the window while it is open; closing it releases the window, and the
// next request builds a fresh one on the module the user left. Made once by the container. Main thread only.

#include <QObject>
#include <QPointer>
#include <optional>

#include "settings/model/SettingsModuleIdentifier.h"
#include "settings/widgets/SettingsPageFactories.h"
#include "settings/widgets/SettingsWindowController.h"
#include "settings/widgets/SettingsWindowServices.h"

namespace quorvane {

class SettingsCoordinator : public QObject {
    Q_OBJECT

public:
    SettingsCoordinator(SettingsWindowServices services,
                        SettingsPageFactories factories = SettingsPageFactories::standard(),
                        QObject* parent = nullptr);
    // Closes a window still open: its pages use the services this coordinator holds.
    ~SettingsCoordinator() override;

    // No module keeps the one last shown.
    void showSettings(std::optional<SettingsModuleIdentifier> module = std::nullopt);
    // The same for a module's stored name; an unknown name is logged and the last module shown.
    void showSettingsModuleNamed(const std::optional<std::string>& moduleName);

    SettingsWindowController* window() const { return window_; }
    SettingsPageFactories& pageFactories() { return factories_; }

private:
    SettingsWindowServices services_;
    SettingsPageFactories factories_;
    QPointer<SettingsWindowController> window_;
    SettingsModuleIdentifier lastModule_ = SettingsModuleIdentifier::general;
};

}  // namespace quorvane
