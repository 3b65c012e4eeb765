#pragma once

// The preview titles of history entries: one line of a text, with compact one-line forms for JSON and JSON
// Lines, and "Image <width>x<height>" for an image. The capture makes them once when it stores an entry.
// Lengths are counted in characters. Safe from any thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/ImageProbe.h"

namespace quorvane {

class ClipboardEntryTitle {
public:
    ClipboardEntryTitle() = delete;

    // The title of a text, at most `limit` characters plus a three-dot marker when cut; none when the text
    // has no non-blank line. A text of several lines shows " …" and never exceeds `limit`.
    static std::optional<std::string> make(std::string_view text, int limit);

    // "Image <width>x<height>" from the first representation with a pixel size, else from the size in points;
    // "Image" when neither is known.
    static std::string image(const ImageDimensions& dimensions);
    // The title of an image blob, reading no more than its header through `probe`.
    static std::string image(std::span<const std::uint8_t> data, const ImageProbe& probe);

    // True when `text` starts with "{" or "[" and is one whole JSON document. Builds no tree, so a huge or
    // deeply nested text costs one linear pass.
    static bool isJsonContainer(std::string_view text);
};

}  // namespace quorvane
