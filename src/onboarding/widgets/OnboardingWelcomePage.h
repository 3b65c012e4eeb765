#pragma once

// The first onboarding step: the program's icon and name, the interface language pop-up and the note that
// everything stays on this computer. A chosen language is stored at once. Main thread only.

#include <QWidget>
#include <string>

namespace quorvane {

class NotificationCenter;
class UserDefaults;

class OnboardingWelcomePage : public QWidget {
    Q_OBJECT
public:
    // `defaults` and `notifications` must outlive the page.
    OnboardingWelcomePage(UserDefaults& defaults, NotificationCenter& notifications,
                          const std::string& appName, QWidget* parent = nullptr);

signals:
    // Sent once a language is stored, from inside the pop-up's own change signal: whoever rebuilds the page
    // for it must do so later.
    void languageChosen();

private:
    void chooseLanguage(const QString& rawValue);

    UserDefaults& defaults_;
    NotificationCenter& notifications_;
};

}  // namespace quorvane
