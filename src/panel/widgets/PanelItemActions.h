#pragma once

// One panel's way to the program's shared entry actions: the result list's menu entries and the panel's keys
// reach them here with the panel's origin (its log category, how it hides, its formatted text). The alerts
// and the save dialog the actions open belong to the panel's window. Until the actions are set, nothing
// happens. Main thread only.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "panel/model/ClipboardItemActions.h"
#include "panel/widgets/ClipboardResultListView.h"

namespace quorvane {

class PanelItemActions {
public:
    // `window` gives the panel's window of the moment (it may be made later); `origin` lacks the
    // presenters, which are made here.
    PanelItemActions(std::function<QWidget*()> window, ClipboardItemActionOrigin origin);
    ~PanelItemActions();
    PanelItemActions(const PanelItemActions&) = delete;
    PanelItemActions& operator=(const PanelItemActions&) = delete;

    // `actions` must outlive this object or be replaced before it goes; null stops the actions.
    void setActions(ClipboardItemActions* actions) { actions_ = actions; }
    // Wires the list's menu entries (open link, open, save, pin, recognise text) to the actions.
    void bind(ClipboardResultListViewCallbacks& callbacks);

    void openLink(const std::string& link);
    void openWithDefaultApp(const ClipboardHistoryIndexSnapshot& entry);
    void save(const ClipboardHistoryIndexSnapshot& entry);
    void pin(const ClipboardHistoryIndexSnapshot& entry);
    void recognizeText(const ClipboardHistoryIndexSnapshot& entry);

private:
    // The origin with presenters bound to the current window.
    const ClipboardItemActionOrigin& origin();

    std::function<QWidget*()> window_;
    ClipboardItemActionOrigin origin_;
    QPointer<QWidget> presentersWindow_;
    std::unique_ptr<AlertPresenter> alerts_;
    std::unique_ptr<ClipboardSavePanelPresenting> savePanel_;
    std::vector<std::pair<std::unique_ptr<AlertPresenter>, std::unique_ptr<ClipboardSavePanelPresenting>>>
        retired_;
    ClipboardItemActions* actions_ = nullptr;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
