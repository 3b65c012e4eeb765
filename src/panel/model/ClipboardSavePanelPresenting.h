#pragma once

// Asks the user where to save one file: the item actions' "Save to File" and the pin windows' Save. The
// real presenter is a file dialog; tests answer with a fake. Call on the main queue only; the answer arrives
// there too, exactly once, never inside present().

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace quorvane {

struct ClipboardSavePanelRequest {
    std::string title;
    std::string nameFieldLabel;
    // The MIME type of the file to be written ("text/plain", "image/png", ...).
    std::string allowedContentType;
    std::string suggestedName;

    bool operator==(const ClipboardSavePanelRequest&) const = default;
};

class ClipboardSavePanelPresenting {
public:
    // The chosen destination; none when the user cancelled.
    using Completion = std::function<void(std::optional<std::filesystem::path> destination)>;

    virtual ~ClipboardSavePanelPresenting() = default;

    virtual void present(const ClipboardSavePanelRequest& request, Completion completion) = 0;
};

}  // namespace quorvane
