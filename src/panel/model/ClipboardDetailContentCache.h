#pragma once

// The detail pane's memory of the last contents it loaded, so moving back and forth over a few entries does
// not fetch them again. Holds at most `limit` contents; the earliest load goes first, and reading an entry
// does not make it newer. Main thread only.

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "model/ClipboardHistoryContentSnapshot.h"

namespace quorvane {

class ClipboardDetailContentCache {
public:
    explicit ClipboardDetailContentCache(std::size_t limit = 6) : limit_(limit) {}

    // Contents are shared, not copied: an entry's text may be megabytes.
    std::shared_ptr<const ClipboardHistoryContentSnapshot> content(const std::string& id) const;
    // Stores a loaded content as the newest, dropping the oldest beyond the limit.
    void store(const std::string& id, std::shared_ptr<const ClipboardHistoryContentSnapshot> content);
    std::size_t size() const { return order_.size(); }

private:
    std::size_t limit_;
    std::unordered_map<std::string, std::shared_ptr<const ClipboardHistoryContentSnapshot>> contents_;
    std::deque<std::string> order_;  // oldest first
};

}  // namespace quorvane
