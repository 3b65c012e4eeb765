#include "platform/memory/InMemoryPasteboard.h"

#include "platform/ImageFormat.h"

namespace quorvane {

Data dataFromString(const std::string& text) {
    return Data(text.begin(), text.end());
}

std::vector<std::string> InMemoryPasteboard::types() const {
    ++contentReads_;
    std::vector<std::string> result;
    result.reserve(item_.size());
    for (const auto& [type, bytes] : item_) result.push_back(type);
    // Types given up for their size are still offered.
    for (const auto& [type, oversized] : oversized_) result.push_back(type);
    return result;
}

std::optional<std::string> InMemoryPasteboard::string() const {
    for (const char* type : {PasteboardType::plainText, "text/plain"}) {
        if (auto bytes = data(type)) return std::string(bytes->begin(), bytes->end());
    }
    return std::nullopt;
}

std::optional<Data> InMemoryPasteboard::data(const std::string& type) const {
    ++contentReads_;
    for (const auto& [offered, bytes] : item_) {
        if (offered == type) return bytes;
    }
    return std::nullopt;
}

bool InMemoryPasteboard::writeText(const std::string& plainText, const std::optional<Data>& rtfData,
                                   const std::optional<Data>& htmlData) {
    if (refusesRichText_ && (rtfData || htmlData)) return false;
    Representations item{{PasteboardType::plainText, dataFromString(plainText)}};
    if (rtfData) item.emplace_back(PasteboardType::rtf, *rtfData);
    if (htmlData) item.emplace_back(PasteboardType::html, *htmlData);
    storeItem(std::move(item));
    ownItem_ = true;
    return true;
}

bool InMemoryPasteboard::writeImage(const Data& imageData, const std::string& type) {
    if (!ImageFormat::detect(imageData)) return false;
    storeItem({{type, imageData}});
    ownItem_ = true;
    return true;
}

void InMemoryPasteboard::replaceItem(Representations representations) {
    replaceItem(std::move(representations), {});
}

void InMemoryPasteboard::replaceItem(Representations representations,
                                     std::vector<std::pair<std::string, OversizedRepresentation>> oversized) {
    storeItem(std::move(representations));
    oversized_ = std::move(oversized);
    ownItem_ = false;
    if (announcesChanges_) announceChange();
}

std::optional<OversizedRepresentation> InMemoryPasteboard::oversized(const std::string& type) const {
    for (const auto& [offered, representation] : oversized_) {
        if (offered == type) return representation;
    }
    return std::nullopt;
}

void InMemoryPasteboard::storeItem(Representations representations) {
    oversized_.clear();
    item_ = std::move(representations);
    ++changeCount_;
}

}  // namespace quorvane
