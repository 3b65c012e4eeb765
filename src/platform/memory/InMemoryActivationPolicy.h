#pragma once
// An activation policy that remembers what it was set to, and how often, for tests.

#include <vector>

#include "platform/ActivationPolicy.h"

namespace quorvane {

class InMemoryActivationPolicy final : public ActivationPolicy {
public:
    explicit InMemoryActivationPolicy(
        ApplicationActivationPolicy initial = ApplicationActivationPolicy::regular)
        : policy_(initial) {}
    ApplicationActivationPolicy current() const override { return policy_; }
    void set(ApplicationActivationPolicy policy) override {
        policy_ = policy;
        changes.push_back(policy);
    }
    std::vector<ApplicationActivationPolicy> changes;

private:
    ApplicationActivationPolicy policy_;
};

}  // namespace quorvane
