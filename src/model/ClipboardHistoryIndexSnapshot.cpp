#include "model/ClipboardHistoryIndexSnapshot.h"

#include <string_view>

namespace quorvane {

ClipboardHistoryIndexSnapshot ClipboardHistoryIndexSnapshot::fromModel(const ClipboardHistoryIndex& model) {
    return {model.id,          model.preview,          model.searchText,
            model.createdAt,   model.lastAccessedAt,   model.accessCount,
            model.contentType, model.bundleIdentifier, model.classification};
}

}  // namespace quorvane

namespace {

void combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

// A presence marker first, so an absent value and a present empty one hash apart.
template <class T>
void combineOptional(std::size_t& seed, const std::optional<T>& value) {
    combine(seed, value ? 1 : 0);
    if (value) combine(seed, std::hash<T>{}(*value));
}

}  // namespace

std::size_t std::hash<quorvane::ClipboardHistoryIndexSnapshot>::operator()(
    const quorvane::ClipboardHistoryIndexSnapshot& snapshot) const noexcept {
    std::size_t seed = 0;
    combine(seed, std::hash<std::string>{}(snapshot.id));
    combine(seed, std::hash<std::string>{}(snapshot.preview));
    combine(seed, std::hash<std::string>{}(snapshot.searchText));
    combine(seed, std::hash<double>{}(snapshot.createdAt.timeIntervalSince1970));
    std::optional<double> lastAccessed;
    if (snapshot.lastAccessedAt) lastAccessed = snapshot.lastAccessedAt->timeIntervalSince1970;
    combineOptional(seed, lastAccessed);
    combine(seed, std::hash<std::int64_t>{}(snapshot.accessCount));
    combine(seed, std::hash<quorvane::ClipboardContentType>{}(snapshot.contentType));
    combineOptional(seed, snapshot.bundleIdentifier);
    combineOptional(seed, snapshot.classification);
    return seed;
}
