#pragma once

// What the detail pane's model draws with: ClipboardDetailView over Qt, a recording double in tests. The
// show calls put one thing on screen; the maker calls capture on the main thread what the worker needs (the
// font, the palette, the widest screen) and return jobs that run on the model's worker queues and touch
// nothing else. Main thread only, except the jobs the makers return.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "panel/model/ClipboardDetailPreparedText.h"
#include "platform/ImageProbe.h"

namespace quorvane {

// A text document or a decoded picture built on a worker; the model hands it back to the drawing unopened.
class ClipboardDetailDrawnContent {
public:
    virtual ~ClipboardDetailDrawnContent() = default;
};

class ClipboardDetailDrawing {
public:
    using DocumentBuilder =
        std::function<std::unique_ptr<ClipboardDetailDrawnContent>(const ClipboardDetailPreparedText&)>;
    // Returns none when the bytes do not decode.
    using PictureDecoder =
        std::function<std::unique_ptr<ClipboardDetailDrawnContent>(std::span<const std::uint8_t>)>;
    // The pixel size the bytes decode to; none when they do not.
    using PixelSizeReader = std::function<std::optional<ImagePixelSize>(std::span<const std::uint8_t>)>;

    virtual ~ClipboardDetailDrawing() = default;

    // A short text ("Loading...", a failure) in the text view.
    virtual void showMessage(const std::string& text) = 0;
    // A document the builder made, in the text view; `keepPosition` keeps the selection and scroll position.
    virtual void showDocument(std::unique_ptr<ClipboardDetailDrawnContent> document, bool keepPosition) = 0;
    // A picture the decoder made.
    virtual void showPicture(const ClipboardDetailDrawnContent& picture) = 0;
    // The placeholder with `text`, no picture and an empty metadata line.
    virtual void showPlaceholder(const std::string& text) = 0;
    virtual void showMetadataLine(const std::string& text) = 0;

    virtual DocumentBuilder makeDocumentBuilder() = 0;
    virtual PictureDecoder makePictureDecoder() = 0;
    virtual PixelSizeReader makePixelSizeReader() = 0;
};

}  // namespace quorvane
