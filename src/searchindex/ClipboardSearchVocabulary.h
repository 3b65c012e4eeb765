#pragma once

// What the index queries need of the classification subsystem and of application identity, kept behind one
// small seam: the main-type words, the built-in and user classification names, and the resolution of an
// "app:" value, which the service container may replace once application names are known. Safe from any
// thread.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ClipboardContentType.h"
#include "platform/UserDefaults.h"

namespace quorvane {

struct ClipboardSearchVocabulary {
    // The main content type that `word` names ("text"; "image", "img"; a display name or raw value, compared
    // normalised), trying text before image; nothing for an empty or other word.
    static std::optional<ClipboardContentType> mainContentTypeMatching(std::string_view word);

    // True when `normalizedValue` is the normalised display name or raw value of a built-in classification.
    static bool namesBuiltInClassification(std::string_view normalizedValue);

    // True when `normalizedValue` is the result classification of one of the user's enabled rules, compared
    // normalised; the rules are read anew on each call.
    static bool namesEnabledUserClassification(std::string_view normalizedValue,
                                               const UserDefaults& defaults);

    // The stored bundle identifiers (`known`) that an "app:" value denotes, in the order of `known`.
    using BundleIdentifierResolver = std::function<std::vector<std::string>(
        const std::string& appValue, const std::vector<std::string>& known)>;

    // The application identity rules with every identifier standing for its own name, for a store built
    // without the application catalog: a dotted value equal to an identifier takes just that one; otherwise,
    // and when none is equal ("draw.io"), the identifiers whose words match ("chrome" finds
    // com.google.Chrome).
    static std::vector<std::string> resolveByIdentifier(const std::string& appValue,
                                                        const std::vector<std::string>& known);
};

}  // namespace quorvane
