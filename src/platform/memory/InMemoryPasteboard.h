#pragma once

// A pasteboard held in memory: the double for tests and headless runs. Tests play the other programs with
// replaceItem(); our own writes go through the Pasteboard interface like the real one's. Main queue only.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Pasteboard.h"

namespace quorvane {

class InMemoryPasteboard : public Pasteboard {
public:
    // The representations of one item, in the order they are offered.
    using Representations = std::vector<std::pair<std::string, Data>>;

    std::int64_t changeCount() const override { return changeCount_; }
    std::vector<std::string> types() const override;
    // The UTF-8 text representation ("text/plain;charset=utf-8", else "text/plain").
    std::optional<std::string> string() const override;
    std::optional<Data> data(const std::string& type) const override;
    std::optional<OversizedRepresentation> oversized(const std::string& type) const override;
    // Refused while setRefusesRichText() is on and an RTF or HTML form is given.
    bool writeText(const std::string& plainText, const std::optional<Data>& rtfData,
                   const std::optional<Data>& htmlData) override;
    // Refuses data whose first bytes are no known image signature.
    bool writeImage(const Data& imageData, const std::string& type) override;
    bool writePrimarySelection(const std::string& text) override {
        primarySelection_ = text;
        return true;
    }
    const std::optional<std::string>& primarySelection() const { return primarySelection_; }
    // Makes writes of a text with rich forms fail, as when the desktop refuses the item.
    void setRefusesRichText(bool refuses) { refusesRichText_ = refuses; }

    // Another program puts a new item on the pasteboard: the change count moves by one, and observers hear
    // of it when the pasteboard announces changes.
    void replaceItem(Representations representations);
    // Plays a platform that reports changes as they happen; by default the double can only be polled.
    void setAnnouncesChanges(bool announces) { announcesChanges_ = announces; }
    bool reportsChanges() const override { return announcesChanges_; }
    // Our own writes hold the pasteboard until another program replaces the item.
    bool holdsOwnItem() const override { return ownItem_; }
    // Another program puts an item on the pasteboard of which the platform gave up reading the `oversized`
    // types for their size ("text/plain" for the text).
    void replaceItem(Representations representations,
                     std::vector<std::pair<std::string, OversizedRepresentation>> oversized);
    // Another program takes the pasteboard and offers nothing.
    void clearItem() { replaceItem({}); }
    // Moves the change count without touching the item (as when several copies happen between two polls).
    void setChangeCount(std::int64_t changeCount) { changeCount_ = changeCount; }

    const Representations& representations() const { return item_; }
    // How often types(), string() or data() were called: polls that see no change must not read the item.
    int contentReadCount() const { return contentReads_; }

private:
    // Our own writes are not announced, as the desktop does not report them back.
    void storeItem(Representations representations);

    Representations item_;
    std::vector<std::pair<std::string, OversizedRepresentation>> oversized_;
    std::optional<std::string> primarySelection_;
    std::int64_t changeCount_ = 0;
    bool refusesRichText_ = false;
    mutable int contentReads_ = 0;
    bool announcesChanges_ = false;
    bool ownItem_ = false;
};

// Builds a representation from text, for tests that offer HTML, RTF or URI lists.
Data dataFromString(const std::string& text);

}  // namespace quorvane
