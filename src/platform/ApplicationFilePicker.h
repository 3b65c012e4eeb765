#pragma once

// Lets the user choose one application file (a ".desktop" file) to add to the ignored applications. The
// picker starts in the desktop's applications folder and offers files only. Call on the main queue only; the
// answer arrives there too, exactly once.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// One application the picker offers, as the desktop names it.
struct ApplicationFilePickerChoice {
    std::string name;
    std::string icon;  // theme icon name or absolute file; empty for none
    std::filesystem::path file;

    bool operator==(const ApplicationFilePickerChoice&) const = default;
};

struct ApplicationFilePickerRequest {
    std::string title;
    // The label of the button that accepts the choice.
    std::string prompt;
    // Offered in this order; with none, the picker lets the user find a file.
    std::vector<ApplicationFilePickerChoice> applications;

    bool operator==(const ApplicationFilePickerRequest&) const = default;
};

class ApplicationFilePicker {
public:
    // The chosen file; nothing when the picker was cancelled.
    using Completion = std::function<void(std::optional<std::filesystem::path> file)>;

    virtual ~ApplicationFilePicker() = default;

    // Shows the picker modally and calls `completion` once it is answered.
    virtual void chooseApplicationFile(const ApplicationFilePickerRequest& request,
                                       Completion completion) = 0;
};

}  // namespace quorvane
