#pragma once

// The text-recognition window: the image on the left, the recognised text on the right (editable and
// selectable, or the failure in red), and a Copy button above the text. It draws an OCRViewModel and starts
// its recognition when first shown. Ctrl+W (with or without Shift) closes it; Ctrl+C copies the editor's
// selection. Main thread only; the window deletes itself when closed.

#include <QImage>
#include <QWidget>
#include <memory>

#include "base/CallbackList.h"
#include "panel/model/OCRViewModel.h"

class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace quorvane {

class OCRWindow : public QWidget {
    Q_OBJECT
public:
    // `image` is `viewModel`'s data decoded (null when it could not be).
    OCRWindow(std::unique_ptr<OCRViewModel> viewModel, QImage image, QWidget* parent = nullptr);
    ~OCRWindow() override;

    OCRViewModel& viewModel() { return *viewModel_; }
    // For tests: the parts the user works with.
    QToolButton* copyButton() const { return copyButton_; }
    QPlainTextEdit* textEditor() const { return editor_; }
    QLabel* errorLabel() const { return errorLabel_; }
    QRect imagePaneGeometry() const { return imagePane_->geometry(); }
    QRect textPaneGeometry() const { return textPane_->geometry(); }
    // The pixels of the decoded picture; invalid without one.
    QSize shownImagePixels() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void layoutPanes();

    std::unique_ptr<OCRViewModel> viewModel_;
    QWidget* imagePane_;
    QWidget* textPane_;
    QToolButton* copyButton_;
    QPlainTextEdit* editor_;
    QLabel* errorLabel_;
    Subscription subscription_;
};

}  // namespace quorvane
