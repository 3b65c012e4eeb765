#pragma once

// The application's information table (display name, version, distribution channel, update feed), read once
// per process from the table the build generates. The application container holds it and derives the
// distribution channel from it. Immutable after creation; safe from any thread.

#include <optional>
#include <string>

#include "platform/DefaultsValue.h"
#include "preferences/DistributionChannel.h"

namespace quorvane {

struct AppEnvironment {
    DefaultsValue::Dictionary infoDictionary;

    // The environment of this build, made on first use.
    static const AppEnvironment& main();

    DistributionChannel distributionChannel() const {
        return distributionChannelFromInfoDictionary(infoDictionary);
    }
    // The update feed address: a string that is not blank and reads as a URL ("scheme:rest"), else none.
    std::optional<std::string> feedURL() const;
    // The key that signs updates, trimmed; none when missing, not a string or blank.
    std::optional<std::string> publicEDKey() const;

    friend bool operator==(const AppEnvironment&, const AppEnvironment&) = default;
};

}  // namespace quorvane
