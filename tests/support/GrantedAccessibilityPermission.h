#pragma once

// An accessibility permission that was asked for and granted, for tests that paste back or read the caret.

#include <string>

#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane::testing {

class GrantedAccessibilityPermission final : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus status() const override {
        return AccessibilityPermissionStatus::authorized;
    }
    bool isTrusted() const override { return true; }
    bool hasRequestedPermission() const override { return true; }
    void requestPermission() override {}
    void openSystemSettings() override {}
    void openURL(const std::string&) override {}
};

}  // namespace quorvane::testing
