#pragma once

// The application's information table (display name, version, distribution channel, update feed), read once
// per process from the table the build generates. The application container holds it and derives the
// distribution channel from it. Immutable after creation; safe from any thread.

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

    friend bool operator==(const AppEnvironment&, const AppEnvironment&) = default;
};

}  // namespace quorvane
