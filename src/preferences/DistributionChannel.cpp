#include "preferences/DistributionChannel.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "base/Utf8.h"
#include "base/WhitespaceTrimming.h"

namespace quorvane {

DistributionChannel distributionChannelFromRawString(const std::optional<std::string>& rawString) {
    if (!rawString) return DistributionChannel::unknown;
    auto folded = toUnicodeString(trimmedWhitespaceAndNewlines(*rawString));
    const std::string upper = toUtf8(folded.toUpper(icu::Locale::getRoot()));
    if (upper == "APP_STORE") return DistributionChannel::appStore;
    if (upper == "DIRECT") return DistributionChannel::direct;
    return DistributionChannel::unknown;
}

DistributionChannel distributionChannelFromInfoDictionary(const DefaultsValue::Dictionary& infoDictionary) {
    const auto found = infoDictionary.find(distributionChannelInfoKey);
    if (found == infoDictionary.end()) return DistributionChannel::unknown;
    return distributionChannelFromRawString(found->second.stringValue());
}

std::string_view toString(DistributionChannel channel) {
    switch (channel) {
        case DistributionChannel::appStore:
            return "appStore";
        case DistributionChannel::direct:
            return "direct";
        case DistributionChannel::unknown:
            return "unknown";
    }
    return "unknown";
}

}  // namespace quorvane
