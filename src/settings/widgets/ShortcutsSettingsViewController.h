#pragma once

// The general settings page: language, launch at login, the clipboard shortcut with its recorder, the tray
// icon with the hint shown when the desktop hides it, capture switches, retention and the largest item. It
// draws a ShortcutsSettingsViewModel and hands user actions to it; reloads from the model never write a
// setting. The shortcut recorder is stopped whenever the page hides, its window closes or the page goes,
// so the global hot key always comes back and no later key press becomes the shortcut. Main thread only.

#include <QWidget>
#include <memory>

#include "hotkeys/model/KeyComboRecorderControlDelegate.h"
#include "settings/model/SettingsModuleNotifications.h"
#include "settings/model/ShortcutsSettingsViewModel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace quorvane {

class HotkeyFailureLabel;
class KeyComboRecorderControl;

class ShortcutsSettingsViewController : public QWidget,
                                        public SettingsModuleRefreshable,
                                        public SettingsModuleVisibilityAware,
                                        public KeyComboRecorderControlDelegate {
    Q_OBJECT

public:
    // `mainQueue` must outlive the page.
    ShortcutsSettingsViewController(std::unique_ptr<ShortcutsSettingsViewModel> viewModel,
                                    MainQueue& mainQueue, const std::string& appDisplayName,
                                    QWidget* parent = nullptr);
    ~ShortcutsSettingsViewController() override;

    ShortcutsSettingsViewModel& viewModel() { return *viewModel_; }

    // Reads the launch-at-login status and the tray host again.
    void refresh() override;
    // Saves a size typed but not confirmed and stops a recording.
    void settingsModuleDidHide() override;

    // Shows every stored value; writes nothing.
    void reloadSettingsValues();

    QComboBox* appLanguagePopup() const { return appLanguagePopup_; }
    QCheckBox* launchAtLoginToggle() const { return launchAtLoginToggle_; }
    QLabel* launchAtLoginApprovalHintLabel() const { return launchAtLoginApprovalHintLabel_; }
    KeyComboRecorderControl* keyComboRecorder() const { return keyComboRecorder_; }
    QToolButton* deleteButton() const { return deleteButton_; }
    QPushButton* resetClipboardHotkeyButton() const { return resetClipboardHotkeyButton_; }
    HotkeyFailureLabel* clipboardHotkeyFailureLabel() const { return clipboardHotkeyFailureLabel_; }
    QCheckBox* menuBarShowIconToggle() const { return menuBarShowIconToggle_; }
    QLabel* menuBarSystemVisibilityHintLabel() const { return menuBarSystemVisibilityHintLabel_; }
    QPushButton* menuBarSystemSettingsButton() const { return menuBarSystemSettingsButton_; }
    QCheckBox* captureTextToggle() const { return captureTextToggle_; }
    QCheckBox* captureImageToggle() const { return captureImageToggle_; }
    QComboBox* textAutoCleanupPopup() const { return textAutoCleanupPopup_; }
    QComboBox* imageAutoCleanupPopup() const { return imageAutoCleanupPopup_; }
    QLineEdit* maxSizeField() const { return maxSizeField_; }
    QToolButton* maxSizeStepUpButton() const { return maxSizeStepUp_; }
    QToolButton* maxSizeStepDownButton() const { return maxSizeStepDown_; }

    void keyComboRecorderDidStartRecording(KeyComboRecorderState& recorder) override;
    void keyComboRecorderDidEndRecording(KeyComboRecorderState& recorder) override;
    void keyComboRecorder(KeyComboRecorderState& recorder, const std::optional<KeyCombo>& didRecord) override;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void buildLayout(const std::string& appDisplayName);
    void connectActions();
    void commitMaxSizeField();
    void stopRecording();

    std::unique_ptr<ShortcutsSettingsViewModel> viewModel_;
    QComboBox* appLanguagePopup_ = nullptr;
    QCheckBox* launchAtLoginToggle_ = nullptr;
    QLabel* launchAtLoginApprovalHintLabel_ = nullptr;
    QPushButton* launchAtLoginSystemSettingsButton_ = nullptr;
    KeyComboRecorderControl* keyComboRecorder_ = nullptr;
    QToolButton* deleteButton_ = nullptr;
    QPushButton* resetClipboardHotkeyButton_ = nullptr;
    HotkeyFailureLabel* clipboardHotkeyFailureLabel_ = nullptr;
    QCheckBox* menuBarShowIconToggle_ = nullptr;
    QLabel* menuBarSystemVisibilityHintLabel_ = nullptr;
    QPushButton* menuBarSystemSettingsButton_ = nullptr;
    QLabel* menuBarSystemVisibilityInstructionsLabel_ = nullptr;
    QCheckBox* captureTextToggle_ = nullptr;
    QCheckBox* captureImageToggle_ = nullptr;
    QComboBox* textAutoCleanupPopup_ = nullptr;
    QComboBox* imageAutoCleanupPopup_ = nullptr;
    QLineEdit* maxSizeField_ = nullptr;
    QToolButton* maxSizeStepUp_ = nullptr;
    QToolButton* maxSizeStepDown_ = nullptr;
    std::int64_t shownMaxSize_ = 0;
    Subscription viewModelChanges_;
};

}  // namespace quorvane
