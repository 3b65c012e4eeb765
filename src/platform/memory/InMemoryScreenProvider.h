#pragma once

// Screens and a pointer position set by the test: the double of the desktop's screen list. Main queue only.

#include "platform/ScreenProvider.h"

namespace quorvane {

class InMemoryScreenProvider : public ScreenProvider {
public:
    InMemoryScreenProvider() = default;
    // One primary screen whose visible frame is the whole frame.
    explicit InMemoryScreenProvider(ScreenRect frame) { addScreen(frame, frame); }

    std::vector<ScreenDescription> screens() const override { return screens_; }
    std::optional<ScreenDescription> mainScreen() const override {
        if (screens_.empty()) return std::nullopt;
        return screens_.front();
    }
    std::optional<ScreenDescription> keyWindowScreen() const override { return keyWindowScreen_; }
    ScreenPoint mouseLocation() const override { return mouseLocation_; }

    // The first screen added is the primary one.
    void addScreen(ScreenRect frame, ScreenRect visibleFrame, double devicePixelRatio = 1) {
        screens_.push_back({frame, visibleFrame, devicePixelRatio});
    }
    void removeAllScreens() { screens_.clear(); }
    void setKeyWindowScreen(std::optional<ScreenDescription> screen) { keyWindowScreen_ = screen; }
    void setMouseLocation(ScreenPoint point) { mouseLocation_ = point; }

private:
    std::vector<ScreenDescription> screens_;
    std::optional<ScreenDescription> keyWindowScreen_;
    ScreenPoint mouseLocation_;
};

}  // namespace quorvane
