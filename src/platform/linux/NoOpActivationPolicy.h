#pragma once
// X11 windows are always regular windows; there is nothing to switch.

#include "platform/ActivationPolicy.h"

namespace quorvane {

class NoOpActivationPolicy final : public ActivationPolicy {
public:
    ApplicationActivationPolicy current() const override { return ApplicationActivationPolicy::regular; }
    void set(ApplicationActivationPolicy) override {}
};

}  // namespace quorvane
