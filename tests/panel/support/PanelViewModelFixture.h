#pragma once

// A view model over the scripted search service, the fake history manager, an in-memory clipboard and a
// manual run loop, with a recorder of its change notifications.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/support/FakeHistoryManager.h"
#include "panel/support/PanelTestEntries.h"
#include "panel/support/ScriptedSearchService.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "searchindex/ClipboardAppIdentityResolver.h"

namespace quorvane::testing {

// Remembers whether capture was suspended at each write.
class SuspensionCheckingPasteboard final : public InMemoryPasteboard {
public:
    explicit SuspensionCheckingPasteboard(const FakeHistoryManager& history) : history_(history) {}

    bool writeText(const std::string& plainText, const std::optional<Data>& rtfData,
                   const std::optional<Data>& htmlData) override {
        suspendedAtWrite.push_back(history_.captureSuspended);
        return InMemoryPasteboard::writeText(plainText, rtfData, htmlData);
    }
    bool writeImage(const Data& imageData, const std::string& type) override {
        suspendedAtWrite.push_back(history_.captureSuspended);
        return InMemoryPasteboard::writeImage(imageData, type);
    }

    std::vector<bool> suspendedAtWrite;

private:
    const FakeHistoryManager& history_;
};

class PanelViewModelFixture : public ::testing::Test {
protected:
    using Property = ClipboardPanelViewModel::Property;

    PanelViewModelFixture() {
        subscription_ = viewModel->observe([this](ClipboardPanelViewModel::Changes changes) {
            notifications.push_back(changes);
            itemsSeenByObservers = viewModel->clipboardItems().size();
        });
    }

    std::unique_ptr<ClipboardPanelViewModel> makeViewModel() {
        return std::make_unique<ClipboardPanelViewModel>(ClipboardPanelViewModel::Dependencies{
            history, search, loop, pasteboard, defaults, resolver, clock});
    }

    // Types `text` and lets the debounce deliver it.
    void typeAndPause(const std::string& text) {
        viewModel->setSearchText(text);
        loop.advance(ClipboardPanelViewModel::searchDebounceSeconds + 0.001);
    }

    FakeClock clock{Date(1'700'000'000.0)};
    ManualRunLoop loop{clock};
    InMemoryUserDefaults defaults;
    InMemoryApplicationCatalog catalog;
    ClipboardAppIdentityResolver resolver{catalog, {}, "en_US.UTF-8"};
    std::shared_ptr<FakeHistoryManager> history = std::make_shared<FakeHistoryManager>(loop);
    std::shared_ptr<ScriptedSearchService> search = std::make_shared<ScriptedSearchService>();
    SuspensionCheckingPasteboard pasteboard{*history};
    std::unique_ptr<ClipboardPanelViewModel> viewModel = makeViewModel();
    std::vector<ClipboardPanelViewModel::Changes> notifications;
    std::size_t itemsSeenByObservers = 0;

private:
    Subscription subscription_;
};

}  // namespace quorvane::testing
