#include <gtest/gtest.h>

#include "floating/model/ClipboardFloatingAnchorResolver.h"

namespace quorvane {
namespace {

class FixedPermission : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus value = AccessibilityPermissionStatus::authorized;

    AccessibilityPermissionStatus status() const override { return value; }
    bool isTrusted() const override { return value == AccessibilityPermissionStatus::authorized; }
    bool hasRequestedPermission() const override { return false; }
    void requestPermission() override {}
    void openSystemSettings() override {}
    void openURL(const std::string&) override {}
};

class CountingDetector : public TextCaretPositionDetectorProtocol {
public:
    std::optional<ScreenRect> answer;
    int calls = 0;

    std::optional<ScreenRect> getCaretPosition() override {
        ++calls;
        return answer;
    }
};

TEST(ClipboardFloatingAnchorResolverTest, WithoutThePermissionTheCaretIsNotSought) {
    FixedPermission permission;
    CountingDetector detector;
    detector.answer = ScreenRect{1, 2, 3, 4};
    ClipboardFloatingAnchorResolver resolver(permission, detector, [] { return ScreenPoint{640, 480}; });
    for (auto status : {AccessibilityPermissionStatus::notDetermined, AccessibilityPermissionStatus::denied,
                        AccessibilityPermissionStatus::unknown}) {
        permission.value = status;
        EXPECT_EQ(resolver.resolveAnchor(), FloatingPanelAnchor::mouse({640, 480}));
    }
    EXPECT_EQ(detector.calls, 0);
}

TEST(ClipboardFloatingAnchorResolverTest, TheCaretWhenFoundElseThePointer) {
    FixedPermission permission;
    CountingDetector detector;
    int pointerReads = 0;
    ClipboardFloatingAnchorResolver resolver(permission, detector, [&] {
        ++pointerReads;
        return ScreenPoint{10, 20};
    });
    EXPECT_EQ(resolver.resolveAnchor(), FloatingPanelAnchor::mouse({10, 20}));
    detector.answer = ScreenRect{300, 200, 1, 18};
    EXPECT_EQ(resolver.resolveAnchor(), FloatingPanelAnchor::caret({300, 200, 1, 18}));
    EXPECT_EQ(detector.calls, 2);
    EXPECT_EQ(pointerReads, 1);
}

}  // namespace
}  // namespace quorvane
