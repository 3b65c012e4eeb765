#include "searchindex/ClipboardSearchIndexDocument.h"

#include <algorithm>

#include "base/Utf8.h"
#include "model/SearchTextNormalizer.h"

namespace quorvane {

ClipboardSearchIndexDocument ClipboardSearchIndexDocument::make(const ClipboardSearchSourceDocument& source,
                                                                std::int64_t textCharacterLimit,
                                                                std::int64_t imageOCRCharacterLimit,
                                                                bool isPinyinIndexEnabled) {
    const std::int64_t limit =
        source.contentType == ClipboardContentType::image ? imageOCRCharacterLimit : textCharacterLimit;
    const auto characterLimit = static_cast<std::size_t>(std::max<std::int64_t>(limit, 0));
    // Cut before normalising, in whole characters, so the limit bounds the work done on a huge text.
    const std::string_view cut = characterPrefix(source.searchableText, characterLimit);

    ClipboardSearchIndexDocument document;
    document.id = source.id;
    document.preview = source.preview;
    document.createdAt = source.createdAt;
    document.sortAt = source.lastAccessedAt && *source.lastAccessedAt >= source.createdAt
                          ? *source.lastAccessedAt
                          : source.createdAt;
    document.lastAccessedAt = source.lastAccessedAt;
    document.accessCount = std::max<std::int64_t>(source.accessCount, 0);
    document.contentType = source.contentType;
    document.bundleIdentifier = source.bundleIdentifier;
    document.classification = source.classification;
    document.normalizedText = SearchTextNormalizer::normalize(cut);
    document.compactText = document.normalizedText;
    std::erase(document.compactText, ' ');
    if (isPinyinIndexEnabled) {
        auto pinyin = SearchTextNormalizer::latinTransliteration(cut);
        document.pinyinCompact = std::move(pinyin.compact);
        document.pinyinSpaced = std::move(pinyin.spaced);
    }
    // The cut is a prefix of whole characters, so it is shorter exactly when it lost bytes.
    document.isTruncated = cut.size() < source.searchableText.size();
    return document;
}

}  // namespace quorvane
