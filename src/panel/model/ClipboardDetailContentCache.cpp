#include "panel/model/ClipboardDetailContentCache.h"

#include <algorithm>

namespace quorvane {

std::shared_ptr<const ClipboardHistoryContentSnapshot> ClipboardDetailContentCache::content(
    const std::string& id) const {
    const auto found = contents_.find(id);
    if (found == contents_.end()) return nullptr;
    return found->second;
}

void ClipboardDetailContentCache::store(const std::string& id,
                                        std::shared_ptr<const ClipboardHistoryContentSnapshot> content) {
    contents_[id] = std::move(content);
    order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
    order_.push_back(id);
    while (order_.size() > limit_) {
        contents_.erase(order_.front());
        order_.pop_front();
    }
}

}  // namespace quorvane
