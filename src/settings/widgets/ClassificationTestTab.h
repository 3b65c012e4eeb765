#pragma once
// The "Test" tab: a sample text and its classification report, computed with the window's current settings
// when "Detect" is pressed. Main thread only.

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace quorvane {

class ClassificationSettingsViewModel;

class ClassificationTestTab : public QWidget {
    Q_OBJECT
public:
    // `viewModel` must outlive the tab.
    explicit ClassificationTestTab(ClassificationSettingsViewModel& viewModel, QWidget* parent = nullptr);

    QPlainTextEdit* input() const { return input_; }
    QPlainTextEdit* result() const { return result_; }
    QPushButton* detectButton() const { return detectButton_; }

private:
    void detect();

    ClassificationSettingsViewModel& viewModel_;
    QPlainTextEdit* input_;
    QPushButton* detectButton_;
    QPlainTextEdit* result_;
};

}  // namespace quorvane
