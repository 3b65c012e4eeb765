#pragma once

// The settings window: the tab bar over the page of the selected module. Switching tabs tells the page left
// that it is hidden and the page shown to refresh; so does closing the window and activating it again. A
// change of the interface language (which arrives queued) retitles the window and the tabs and rebuilds
// every page, keeping the selected module; the old pages are released with deleteLater(), as the change
// may come from a control of the old page itself. Main thread only.

#include <QPointer>
#include <QWidget>
#include <vector>

#include "platform/NotificationCenter.h"
#include "settings/model/SettingsModuleIdentifier.h"
#include "settings/widgets/SettingsPageFactories.h"

class QVBoxLayout;

namespace quorvane {

class SettingsToolbar;

class SettingsWindowController : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* identifier = "settings";
    static constexpr int minimumContentWidth = 600;
    static constexpr int minimumContentHeight = 400;

    // `services` must outlive the window.
    SettingsWindowController(SettingsWindowServices& services, SettingsPageFactories factories,
                             SettingsModuleIdentifier initialModule = SettingsModuleIdentifier::general,
                             QWidget* parent = nullptr);
    // Releases the pages first, while the window they report to still exists.
    ~SettingsWindowController() override;

    // An index past the modules is ignored.
    void selectModule(int index);
    void selectModule(SettingsModuleIdentifier module);
    int selectedModuleIndex() const { return selectedModuleIndex_; }
    SettingsModuleIdentifier selectedModule() const {
        return allSettingsModuleIdentifiers[selectedModuleIndex_];
    }

    SettingsToolbar* toolbar() const { return toolbar_; }
    QWidget* contentContainer() const { return contentContainer_; }
    // The module's current page (null only while it is being rebuilt).
    QWidget* page(SettingsModuleIdentifier module) const;
    QWidget* currentPage() const;

    void applyLanguageChange();
    // Leaves no control focused: now when the window is active, else when it next becomes active.
    void requestFocusReset();

signals:
    void moduleSelected(SettingsModuleIdentifier module);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildModules();
    void notifyCurrentModuleHidden();
    void refreshCurrentModule();
    void resetFocus();

    SettingsWindowServices& services_;
    SettingsPageFactories factories_;
    std::vector<QPointer<QWidget>> pages_;
    int selectedModuleIndex_ = 0;
    bool shouldResetFocusWhenActivated_ = false;
    SettingsToolbar* toolbar_;
    QWidget* contentContainer_;
    QVBoxLayout* contentLayout_;
    NotificationObservation languageDidChangeObservation_;
};

}  // namespace quorvane
