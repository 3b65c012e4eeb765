#pragma once

// The logic of the centred panel's preview pane: the selected entry's text with the search terms
// highlighted (or, for JSON, JSON Lines and SQL, its formatted and coloured form), or its picture, and the
// metadata line below. It owns the pane's two worker queues: one folds, formats and highlights the text and
// has the drawing build its document (or decode the picture), and frees replaced documents; the other
// composes the metadata. Results come back through the main queue carrying tokens and are dropped once the
// pane has moved on, so a 1 MB entry never holds up the main thread; the bookkeeping of what is shown and
// loading lives in ClipboardDetailLoadState. ClipboardDetailView draws what it says. Main thread only.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/JobQueue.h"
#include "classification/formatting/ColoredText.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardDetailDrawing.h"
#include "panel/model/ClipboardDetailLoadState.h"
#include "panel/model/ClipboardDetailPreparedText.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"

namespace quorvane {

class ClipboardDetailViewModel {
public:
    // Answers with an entry's content (none when it is gone), now or later, on the main thread.
    using ContentProvider = std::function<void(
        const std::string& id, std::function<void(std::optional<ClipboardHistoryContentSnapshot>)> reply)>;
    // What the drawing shows, as the model last told it.
    enum class Screen { loading, text, picture, placeholder };

    // `drawing`, `mainQueue` and `clock` must outlive the model; `renderQueue` and `metadataQueue` are its
    // own. Shows nothing until told: the owner starts with showEmptyState().
    ClipboardDetailViewModel(ClipboardDetailDrawing& drawing, MainQueue& mainQueue, const Clock& clock,
                             std::unique_ptr<JobQueue> renderQueue, std::unique_ptr<JobQueue> metadataQueue);
    // Queued work stops early and its results are dropped; the queues finish before the model goes.
    ~ClipboardDetailViewModel();
    ClipboardDetailViewModel(const ClipboardDetailViewModel&) = delete;
    ClipboardDetailViewModel& operator=(const ClipboardDetailViewModel&) = delete;

    // The owner's source of contents; without one every load fails.
    ContentProvider contentProvider;

    // Shows an entry with the terms of `highlightQuery` highlighted; the same entry again only refreshes the
    // highlight (keeping selection and scroll position) and the age.
    void showItem(const ClipboardHistoryIndexSnapshot& item, const std::string& highlightQuery);
    // Clears the pane and shows the placeholder; a load still running is dropped.
    void showEmptyState();
    // Switches between the unformatted and the formatted form of a JSON, JSON Lines or SQL text.
    void formatButtonTapped();
    // The colours changed: a shown text is built again in the new ones, keeping its position.
    void coloursChanged();
    // A document the drawing no longer shows: freeing a large one takes long, so the render queue does it.
    void freeOnWorker(std::unique_ptr<ClipboardDetailDrawnContent> document);

    bool isFormatted() const { return isFormatted_; }
    // The id of the entry on screen; none while the placeholder shows.
    const std::optional<std::string>& currentDisplayedItemId() const { return state_.displayedItemId(); }
    // The formatted form's text while the formatted form is on screen; none otherwise.
    std::optional<std::string> formattedPlainText() const;
    // Whether an entry's content is shown (its text, its picture, or a picture's text while it decodes).
    bool hasShownEntry() const { return shown_.has_value(); }
    Screen screen() const { return screen_; }
    // The prepared form of the text on screen, which maps a selection back to the stored text; null for a
    // message.
    const ClipboardDetailPreparedText* shownPreparedText() const { return prepared_.get(); }
    const ClipboardDetailLoadState& loadState() const { return state_; }

private:
    struct Shown {
        ClipboardHistoryIndexSnapshot item;
        std::shared_ptr<const ClipboardHistoryContentSnapshot> content;
    };
    struct RenderedText;

    void resetFormatting();
    void display(const ClipboardHistoryIndexSnapshot& item,
                 const std::shared_ptr<const ClipboardHistoryContentSnapshot>& content);
    void showMessage(const std::string& text);
    // "Loading..." until the selected entry's own content is ready, so nothing of another entry stays up.
    void showLoading();
    // Prepares the shown text (formatted when available) on the worker and puts it on screen.
    void renderText(bool keepPosition);
    void applyRendered(const std::shared_ptr<RenderedText>& rendered, bool keepPosition);
    void startFormatting();
    void requestMetadata();
    void refreshLabel();

    ClipboardDetailDrawing& drawing_;
    MainQueue& mainQueue_;
    const Clock& clock_;
    ClipboardDetailLoadState state_;
    Screen screen_ = Screen::placeholder;
    std::optional<ClipboardHistoryIndexSnapshot> labelItem_;
    std::optional<Shown> shown_;
    std::optional<std::string> metadataText_;
    bool isFormatted_ = false;
    std::shared_ptr<const ColoredText> formattedText_;
    std::shared_ptr<const ClipboardDetailPreparedText> prepared_;
    std::uint64_t renderToken_ = 0;
    // Cleared when the model goes, so queued work stops early and late results are dropped.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
    std::unique_ptr<JobQueue> renderQueue_;
    std::unique_ptr<JobQueue> metadataQueue_;
};

}  // namespace quorvane
