#pragma once

// A text measurer with one fixed advance per character, so tests can compute expected widths. Any thread.

#include "base/Utf8.h"
#include "platform/TextWidthMeasurer.h"

namespace quorvane {

class InMemoryTextWidthMeasurer : public TextWidthMeasurer {
public:
    explicit InMemoryTextWidthMeasurer(double advancePerCharacter = 7) : advance_(advancePerCharacter) {}

    double width(std::string_view text, double pointSize) const override {
        lastPointSize_ = pointSize;
        return advance_ * static_cast<double>(characterCount(text));
    }
    double lastPointSize() const { return lastPointSize_; }

private:
    double advance_;
    mutable double lastPointSize_ = 0;
};

}  // namespace quorvane
