#pragma once

// The application's windows: fills the container's window factory slots, one place per window kind, and
// hands the application coordinator its window slots. Every window is built the first time it is asked for.
// Lives beside the container and goes before it; the windows it put into the window registry go with it.
// Main thread only.

#include <QWidget>
#include <memory>

#include "app/AppAssembler.h"
#include "app/model/AppCoordinator.h"
#include "capture/ClipboardImageTextRecognizing.h"
#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "panel/model/ClipboardPanelServices.h"
#include "panel/model/ClipboardSavePanelPresenting.h"
#include "panel/model/PasteBackPerformer.h"
#include "platform/ApplicationFilePicker.h"
#include "platform/DefaultsValue.h"
#include "platform/FolderPicker.h"
#include "platform/linux/DesktopApplicationFileReader.h"
#include "platform/linux/QtWorkspaceOpener.h"
#include "platform/linux/X11WindowActivation.h"
#include "platform/linux/XTestPasteShortcutPoster.h"
#include "settings/widgets/SettingsPageFactories.h"

namespace quorvane {

class AccessibilityPermissionManagerProtocol;
class ActivationPolicy;
class AlertPresenter;
class AppMainMenu;
class ClassificationCoordinator;
class FloatingPanelAssembly;
class ClipboardItemActions;
class DataDirectoryMigrator;
class ClipboardPanelAssembly;
class MainMenuShortcuts;
class NotificationCenter;
class OnboardingViewModel;
class OnboardingWindowController;
class SettingsCoordinator;
class TrayHost;

class AppWindows {
public:
    // What the windows take from the desktop beyond the container. Everything must outlive this object.
    struct Platform {
        NotificationCenter& notificationCenter;
        AlertPresenter& alertPresenter;
        ActivationPolicy& activationPolicy;
        AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
    };

    // `assembler` must outlive this object.
    AppWindows(AppAssembler& assembler, Platform platform);
    // Clears the slots it filled and releases the windows it built.
    ~AppWindows();
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    // The coordinator's slots. Each asks the container's slot of the moment, so a window wired later is
    // reached too.
    AppCoordinator::Windows coordinatorWindows();
    // The main menu's shortcuts in our windows; its application commands go to `coordinator`, which must
    // outlive this object.
    void installMainMenu(AppCoordinator& coordinator);
    // Loads the panels' first page now, so the first hot key shows entries instead of waiting for them.
    void startInitialPanelLoad();
    // What the first hot-key press needs ready and the tray does not wait for: the floating panel's caret
    // lookup.
    void prepareFirstPress();
    // Whether the floating panel's caret lookup is built (for tests).
    bool hasCaretLookup() const;
    // The wizard while it is open (for tests), else null.
    QWidget* onboardingWindow() const;

private:
    // One per window kind.
    ClipboardPanelServices panelServices();
    void fillClipboardPanelSlots(const ClipboardPanelServices& shared);
    // Routes the panel slots to the floating panel while the presentation setting says "floating".
    void fillFloatingPanelSlots(const ClipboardPanelServices& shared);
    void fillSettingsSlot();
    SettingsPageFactories settingsPageFactories();
    ClipboardItemActions& itemActions();
    PasteBackServices pasteBack();
    void openSettingsFromPanel();
    ClipboardFooterUpdateState footerUpdateState();
    void presentOCRWindow(const Data& imageData);
    void fillClassificationSlot();
    void fillOnboardingSlot();

    AppAssembler& assembler_;
    Platform platform_;
    // One paste-back for both panels, so only one runs at a time across the program; built with the first
    // panel.
    std::unique_ptr<X11WindowActivation> windowActivation_;
    std::unique_ptr<XTestPasteShortcutPoster> pasteShortcutPoster_;
    std::unique_ptr<PasteBackPerformer> pasteBack_;
    std::unique_ptr<FloatingPanelAssembly> floatingPanel_;
    std::unique_ptr<ClipboardPanelAssembly> clipboardPanel_;
    // Tells the panels' view model of history changes, so a hidden panel's first page stays fresh.
    NotificationObservation historyObservation_;
    // Built when a panel is first built; both panels use them.
    QtWorkspaceOpener workspaceOpener_;
    std::unique_ptr<ClipboardItemActions> itemActions_;
    std::unique_ptr<ClipboardImageTextRecognizing> imageTextRecognizer_;
    std::function<void(const Data&)> presentOCRWindow_;
    // Made with the settings coordinator, its only user: its watch is an X connection the start need not
    // make.
    std::unique_ptr<TrayHost> settingsTrayHost_;
    SystemClock settingsClock_;
    // The storage and ignored-applications pages' flows outlive the pages (a move goes on after a rebuild).
    std::unique_ptr<FolderPicker> folderPicker_;
    std::unique_ptr<DataDirectoryMigrator> storageMigrator_;
    DesktopApplicationFileReader applicationFileReader_;
    std::unique_ptr<ApplicationFilePicker> applicationFilePicker_;
    std::unique_ptr<SettingsCoordinator> settingsCoordinator_;
    std::unique_ptr<ClassificationCoordinator> classificationCoordinator_;
    std::unique_ptr<OnboardingViewModel> onboardingViewModel_;
    std::unique_ptr<OnboardingWindowController> onboardingWindowController_;
    std::unique_ptr<AppMainMenu> mainMenu_;
    std::unique_ptr<MainMenuShortcuts> mainMenuShortcuts_;
};

}  // namespace quorvane
