#include "panel/model/ClipboardDetailViewModel.h"

#include <iostream>
#include <utility>

#include "base/WhitespaceTrimming.h"
#include "classification/ClipboardSystemClassification.h"
#include "classification/formatting/SyntaxHighlighting.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardDetailMetadata.h"

namespace quorvane {
namespace {

// Runs `job` on the main thread unless the model has gone by then; a job that does not run is freed there
// all the same, with whatever it carries.
void postWhileAlive(MainQueue& mainQueue, const std::shared_ptr<std::atomic<bool>>& alive,
                    std::function<void()> job) {
    mainQueue.post([alive, job = std::move(job)] {
        if (alive->load()) job();
    });
}

}  // namespace

struct ClipboardDetailViewModel::RenderedText {
    std::uint64_t token = 0;
    std::u16string query;
    std::shared_ptr<const ClipboardDetailPreparedText> prepared;
    std::unique_ptr<ClipboardDetailDrawnContent> document;
    // Set by a formatting job: its result, or none when it failed.
    bool fromFormatting = false;
    std::uint64_t formattingToken = 0;
    std::shared_ptr<const ColoredText> formatted;
};

ClipboardDetailViewModel::ClipboardDetailViewModel(ClipboardDetailDrawing& drawing, MainQueue& mainQueue,
                                                   const Clock& clock, std::unique_ptr<JobQueue> renderQueue,
                                                   std::unique_ptr<JobQueue> metadataQueue)
    : drawing_(drawing),
      mainQueue_(mainQueue),
      clock_(clock),
      renderQueue_(std::move(renderQueue)),
      metadataQueue_(std::move(metadataQueue)) {}

ClipboardDetailViewModel::~ClipboardDetailViewModel() {
    alive_->store(false);
    // The queues finish (quickly, the jobs see alive_ cleared) before the rest of the model goes.
    renderQueue_.reset();
    metadataQueue_.reset();
}

std::optional<std::string> ClipboardDetailViewModel::formattedPlainText() const {
    if (!isFormatted_ || !formattedText_) return std::nullopt;
    return formattedText_->text;
}

void ClipboardDetailViewModel::showItem(const ClipboardHistoryIndexSnapshot& item,
                                        const std::string& highlightQuery) {
    const std::string query(trimmedWhitespaceAndNewlines(highlightQuery));
    const auto decision = state_.showItem(item, query);
    if (decision.entryChanged) {
        resetFormatting();
        metadataText_.reset();
    }
    labelItem_ = item;
    refreshLabel();
    using Step = ClipboardDetailLoadState::Step;
    switch (decision.step) {
        case Step::refreshLabel:
        case Step::alreadyLoading:
            return;
        case Step::rehighlight:
            // A picture has no highlight; a text still on its way is built again for the new query.
            if (shown_ && shown_->item.contentType != ClipboardContentType::image) {
                renderText(screen_ == Screen::text);
            }
            return;
        case Step::displayCached:
            display(item, decision.content);
            return;
        case Step::startLoad:
            break;
    }
    shown_.reset();
    showLoading();
    const std::uint64_t token = decision.loadToken;
    const auto fail = [this, token, id = item.id] {
        if (state_.loadFinished(token, id, nullptr) == ClipboardDetailLoadState::LoadOutcome::fail) {
            showMessage(L10n::text(L10nKey::detailLoadFailed));
        }
    };
    if (!contentProvider) {
        fail();
        return;
    }
    auto alive = alive_;
    contentProvider(
        item.id, [this, alive, token, item](std::optional<ClipboardHistoryContentSnapshot> content) {
            if (!alive->load()) return;
            std::shared_ptr<const ClipboardHistoryContentSnapshot> shared;
            if (content) {
                shared = std::make_shared<const ClipboardHistoryContentSnapshot>(std::move(*content));
            }
            const auto outcome = state_.loadFinished(token, item.id, shared);
            if (outcome == ClipboardDetailLoadState::LoadOutcome::display) {
                display(item, shared);
            } else if (outcome == ClipboardDetailLoadState::LoadOutcome::fail) {
                showMessage(L10n::text(L10nKey::detailLoadFailed));
            }
        });
}

void ClipboardDetailViewModel::showEmptyState() {
    state_.showEmptyState();
    resetFormatting();
    ++renderToken_;
    shown_.reset();
    prepared_.reset();
    labelItem_.reset();
    metadataText_.reset();
    screen_ = Screen::placeholder;
    drawing_.showPlaceholder(L10n::text(L10nKey::panelSelectItemPlaceholder));
}

void ClipboardDetailViewModel::resetFormatting() {
    state_.cancelFormatting();
    isFormatted_ = false;
    formattedText_.reset();
}

void ClipboardDetailViewModel::display(
    const ClipboardHistoryIndexSnapshot& item,
    const std::shared_ptr<const ClipboardHistoryContentSnapshot>& content) {
    shown_ = Shown{item, content};
    state_.displayed(item.id);
    // The content is built on the worker: until it arrives the previous entry must not stay on screen.
    if (screen_ != Screen::loading) showLoading();
    if (item.contentType == ClipboardContentType::image && content->imageData &&
        !content->imageData->empty()) {
        resetFormatting();
        const std::uint64_t token = ++renderToken_;
        auto alive = alive_;
        auto decode = drawing_.makePictureDecoder();
        // The bytes stay owned by the shared content while the worker reads them.
        renderQueue_->async([this, alive, main = &mainQueue_, token, content, decode = std::move(decode)] {
            if (!alive->load()) return;
            std::shared_ptr<const ClipboardDetailDrawnContent> picture = decode(*content->imageData);
            postWhileAlive(*main, alive, [this, token, picture = std::move(picture)] {
                if (token != renderToken_ || !shown_) return;
                if (!picture) {
                    // A picture that does not decode shows the entry's text instead.
                    renderText(false);
                    return;
                }
                prepared_.reset();
                screen_ = Screen::picture;
                drawing_.showPicture(*picture);
            });
        });
    } else {
        renderText(false);
    }
    requestMetadata();
}

void ClipboardDetailViewModel::showMessage(const std::string& text) {
    ++renderToken_;
    prepared_.reset();
    screen_ = Screen::text;
    drawing_.showMessage(text);
}

void ClipboardDetailViewModel::showLoading() {
    showMessage(L10n::text(L10nKey::detailLoading));
    screen_ = Screen::loading;
}

void ClipboardDetailViewModel::coloursChanged() {
    if (!shown_) return;
    const bool textOnItsWay =
        screen_ == Screen::loading && shown_->item.contentType != ClipboardContentType::image;
    if (screen_ == Screen::text || textOnItsWay) renderText(screen_ == Screen::text);
}

void ClipboardDetailViewModel::renderText(bool keepPosition) {
    if (!shown_) return;
    const std::uint64_t token = ++renderToken_;
    const bool isImage = shown_->item.contentType == ClipboardContentType::image;
    auto rendered = std::make_shared<RenderedText>();
    rendered->token = token;
    rendered->query = isImage ? std::u16string() : utf16FromUtf8(state_.highlightQuery());
    const auto content = shown_->content;
    const auto formatted = isFormatted_ ? formattedText_ : nullptr;
    auto build = drawing_.makeDocumentBuilder();
    auto alive = alive_;
    renderQueue_->async([=, this, main = &mainQueue_]() mutable {
        if (!alive->load()) return;
        rendered->prepared = std::make_shared<const ClipboardDetailPreparedText>(
            formatted ? ClipboardDetailPreparedText::colored(*formatted, rendered->query)
                      : ClipboardDetailPreparedText::plain(content->content, rendered->query));
        rendered->document = build(*rendered->prepared);
        // Handed over whole: a document the main thread leaves unused must be freed there, not here.
        postWhileAlive(*main, alive, [this, rendered = std::move(rendered), keepPosition] {
            applyRendered(rendered, keepPosition);
        });
    });
}

void ClipboardDetailViewModel::applyRendered(const std::shared_ptr<RenderedText>& rendered,
                                             bool keepPosition) {
    if (rendered->fromFormatting) {
        if (!state_.isCurrentFormatting(rendered->formattingToken)) return;
        if (!rendered->formatted) {
            isFormatted_ = false;
            return;
        }
        formattedText_ = rendered->formatted;
        // The query moved on while formatting ran: colour again with the current one.
        if (rendered->query != utf16FromUtf8(state_.highlightQuery())) {
            renderText(true);
            return;
        }
        renderToken_ = rendered->token;
    }
    if (rendered->token != renderToken_ || !rendered->document) return;
    prepared_ = rendered->prepared;
    screen_ = Screen::text;
    drawing_.showDocument(std::move(rendered->document), keepPosition);
}

void ClipboardDetailViewModel::freeOnWorker(std::unique_ptr<ClipboardDetailDrawnContent> document) {
    if (!document) return;
    auto held = std::make_shared<std::unique_ptr<ClipboardDetailDrawnContent>>(std::move(document));
    renderQueue_->async([held] { held->reset(); });
}

void ClipboardDetailViewModel::formatButtonTapped() {
    state_.cancelFormatting();
    if (isFormatted_) {
        if (!shown_) return;
        isFormatted_ = false;
        renderText(false);
        return;
    }
    startFormatting();
}

void ClipboardDetailViewModel::startFormatting() {
    if (!shown_ || shown_->item.contentType != ClipboardContentType::text || !shown_->item.classification)
        return;
    const auto content = shown_->content;
    const auto classification = systemClassificationFromCaseInsensitiveRawValue(*shown_->item.classification);
    if (!classification) return;
    std::shared_ptr<const SyntaxHighlighting> highlighter =
        SyntaxHighlighting::makeHighlighter(*classification);
    if (!highlighter) return;
    isFormatted_ = true;
    auto rendered = std::make_shared<RenderedText>();
    rendered->fromFormatting = true;
    rendered->formattingToken = state_.beginFormatting();
    rendered->token = ++renderToken_;
    rendered->query = utf16FromUtf8(state_.highlightQuery());
    auto build = drawing_.makeDocumentBuilder();
    auto alive = alive_;
    renderQueue_->async([=, this, main = &mainQueue_]() mutable {
        if (!alive->load()) return;
        try {
            rendered->formatted =
                std::make_shared<const ColoredText>(highlighter->formatAndHighlight(content->content));
        } catch (const std::exception& error) {
            std::cout << "[ClipboardDetailView] Formatting failed: " << error.what() << std::endl;
        }
        if (rendered->formatted) {
            rendered->prepared = std::make_shared<const ClipboardDetailPreparedText>(
                ClipboardDetailPreparedText::colored(*rendered->formatted, rendered->query));
            rendered->document = build(*rendered->prepared);
        }
        postWhileAlive(*main, alive,
                       [this, rendered = std::move(rendered)] { applyRendered(rendered, false); });
    });
}

void ClipboardDetailViewModel::requestMetadata() {
    if (!shown_) return;
    const std::uint64_t token = state_.beginMetadata();
    const Shown shown = *shown_;
    const AppLanguage language = AppLanguage::current();
    auto readPixelSize = drawing_.makePixelSizeReader();
    auto alive = alive_;
    metadataQueue_->async([this, alive, main = &mainQueue_, clock = &clock_, token, shown, language,
                           readPixelSize = std::move(readPixelSize)] {
        if (!alive->load()) return;
        std::optional<ImagePixelSize> pixels;
        if (shown.item.contentType == ClipboardContentType::image && shown.content->imageData) {
            pixels = readPixelSize(*shown.content->imageData);
        }
        std::string text =
            ClipboardDetailMetadata::compose(shown.item, *shown.content, pixels, clock->now(), language);
        postWhileAlive(*main, alive, [this, token, id = shown.item.id, text = std::move(text)] {
            if (!state_.isCurrentMetadata(token, id)) return;
            metadataText_ = text;
            refreshLabel();
        });
    });
}

void ClipboardDetailViewModel::refreshLabel() {
    if (!labelItem_) {
        drawing_.showMetadataLine(std::string());
        return;
    }
    drawing_.showMetadataLine(ClipboardDetailMetadata::labelText(labelItem_->createdAt, metadataText_,
                                                                 clock_.now(), AppLanguage::current()));
}

}  // namespace quorvane
