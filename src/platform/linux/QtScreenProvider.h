#pragma once

// The screens and the pointer as Qt sees them (QGuiApplication, QCursor), already in global coordinates with
// the origin at the top-left. Needs a QGuiApplication; main thread only.

#include "platform/ScreenProvider.h"

namespace quorvane {

class QtScreenProvider final : public ScreenProvider {
public:
    std::vector<ScreenDescription> screens() const override;
    std::optional<ScreenDescription> mainScreen() const override;
    std::optional<ScreenDescription> keyWindowScreen() const override;
    ScreenPoint mouseLocation() const override;
};

}  // namespace quorvane
