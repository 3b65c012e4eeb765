#pragma once

// Builds the page of each settings module. The window asks for every page when it is built and again after
// a language change (the old pages are released), so each call makes a new page with a new view model.
// standard() holds the general and advanced pages and a titled empty page for the modules whose pages are
// added with set(). Main thread only.

#include <QWidget>
#include <array>
#include <functional>

#include "settings/model/SettingsModuleIdentifier.h"
#include "settings/widgets/SettingsWindowServices.h"

namespace quorvane {

class SettingsPageFactories {
public:
    // Returns a new page without parent; the window takes it.
    using Factory = std::function<QWidget*(SettingsWindowServices& services)>;

    static SettingsPageFactories standard();

    void set(SettingsModuleIdentifier module, Factory factory) {
        factories_[indexOf(module)] = std::move(factory);
    }
    // The module's page; a titled empty page when no factory is set.
    QWidget* makePage(SettingsModuleIdentifier module, SettingsWindowServices& services) const;

    static QWidget* makeGeneralPage(SettingsWindowServices& services);
    static QWidget* makeAdvancedPage(SettingsWindowServices& services);
    // The module's title over an empty page.
    static QWidget* makeTitledPage(SettingsModuleIdentifier module);

private:
    std::array<Factory, allSettingsModuleIdentifiers.size()> factories_;
};

}  // namespace quorvane
