#pragma once

// The application picker's window: the applications the desktop offers, each with its icon and its name as
// the desktop entry gives it, in the order handed in, with a filter field above them. Accepting needs a
// chosen row (a double click or Return accepts it). Main thread only.

#include <QDialog>
#include <filesystem>
#include <optional>

#include "platform/ApplicationFilePicker.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace quorvane {

class ApplicationListDialog : public QDialog {
    Q_OBJECT
public:
    explicit ApplicationListDialog(const ApplicationFilePickerRequest& request, QWidget* parent = nullptr);

    // The chosen application's desktop file; nothing while no row is chosen.
    std::optional<std::filesystem::path> chosenFile() const;

    QLineEdit* filterField() const { return filter_; }
    QListWidget* list() const { return list_; }
    QPushButton* acceptButton() const { return accept_; }

private:
    void applyFilter(const QString& text);

    QLineEdit* filter_;
    QListWidget* list_;
    QPushButton* accept_;
};

}  // namespace quorvane
