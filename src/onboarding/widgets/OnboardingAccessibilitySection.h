#pragma once

// The part of the shortcut step that asks for the accessibility bus, which the floating panel and
// paste-back need: the permission's status in its colour, what it means, and the buttons to request it or
// open the desktop's settings. Only the direct build shows it. Main thread only.

#include <QWidget>
#include <string>

class QLabel;
class QPushButton;

namespace quorvane {

class OnboardingViewModel;

class OnboardingAccessibilitySection : public QWidget {
    Q_OBJECT
public:
    // `viewModel` must outlive the section.
    OnboardingAccessibilitySection(OnboardingViewModel& viewModel, std::string appName,
                                   QWidget* parent = nullptr);

    // Reads the permission again and shows it. Call once the section is in its window, so the colours come
    // from the window's palette.
    void refresh();

    QLabel* statusLabel() const { return status_; }

signals:
    // After the request went out; the answer comes later, so whoever shows the section refreshes it then.
    void permissionRequested();

private:
    OnboardingViewModel& viewModel_;
    std::string appName_;
    QLabel* status_;
    QLabel* description_;
    QPushButton* request_;
    QPushButton* openSettings_;
};

}  // namespace quorvane
