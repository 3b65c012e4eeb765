#include "classification/formatting/ColoredText.h"

#include <algorithm>

namespace quorvane {

std::optional<SyntaxColor> ColoredText::colorAt(std::size_t offset) const {
    const auto after =
        std::upper_bound(ranges.begin(), ranges.end(), offset,
                         [](std::size_t value, const ColoredRange& range) { return value < range.start; });
    if (after == ranges.begin()) return std::nullopt;
    const ColoredRange& range = *std::prev(after);
    if (offset >= range.start + range.length) return std::nullopt;
    return range.color;
}

std::optional<SyntaxColor> ColoredText::colorOf(std::string_view fragment, std::size_t from) const {
    const std::size_t start = text.find(fragment, from);
    if (start == std::string::npos || fragment.empty()) return std::nullopt;
    const auto first = colorAt(start);
    for (std::size_t i = start + 1; i < start + fragment.size(); ++i) {
        if (colorAt(i) != first) return std::nullopt;
    }
    return first;
}

ColoredTextBuilder::ColoredTextBuilder(std::string text)
    : text_(std::move(text)), colours_(text_.size(), 0) {}

std::uint8_t ColoredTextBuilder::paletteIndex(const SyntaxColor& color) {
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        if (palette_[i] == color) return static_cast<std::uint8_t>(i + 1);
    }
    palette_.push_back(color);
    return static_cast<std::uint8_t>(palette_.size());
}

void ColoredTextBuilder::paint(std::size_t start, std::size_t end, const SyntaxColor& color) {
    end = std::min(end, colours_.size());
    if (start >= end) return;
    std::fill(colours_.begin() + static_cast<std::ptrdiff_t>(start),
              colours_.begin() + static_cast<std::ptrdiff_t>(end), paletteIndex(color));
}

bool ColoredTextBuilder::hasColorIn(std::size_t start, std::size_t end, const SyntaxColor& color) const {
    std::uint8_t index = 0;
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        if (palette_[i] == color) index = static_cast<std::uint8_t>(i + 1);
    }
    if (index == 0) return false;
    end = std::min(end, colours_.size());
    return std::find(colours_.begin() + static_cast<std::ptrdiff_t>(std::min(start, end)),
                     colours_.begin() + static_cast<std::ptrdiff_t>(end),
                     index) != colours_.begin() + static_cast<std::ptrdiff_t>(end);
}

ColoredText ColoredTextBuilder::build() && {
    ColoredText result;
    std::size_t runs = 0;
    for (std::size_t i = 0; i < colours_.size(); ++i) {
        if (colours_[i] != 0 && (i == 0 || colours_[i - 1] != colours_[i])) ++runs;
    }
    result.ranges.reserve(runs);
    for (std::size_t i = 0; i < colours_.size();) {
        std::size_t end = i + 1;
        while (end < colours_.size() && colours_[end] == colours_[i]) ++end;
        if (colours_[i] != 0) result.ranges.push_back({i, end - i, palette_[colours_[i] - 1]});
        i = end;
    }
    result.text = std::move(text_);
    return result;
}

}  // namespace quorvane
