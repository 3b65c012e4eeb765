#pragma once

// Reads an application file the user hands in (dropped on or picked for the ignored-applications list): a
// desktop entry file. Used by the ignored-applications page; safe from any thread.

#include <filesystem>
#include <optional>

#include "platform/InstalledApplication.h"

namespace quorvane {

class ApplicationFileReader {
public:
    virtual ~ApplicationFileReader() = default;

    // The application the file describes, its identifier the file name without ".desktop"; nothing (with a
    // WARNING line) when the file cannot be read, is malformed, or describes no application.
    virtual std::optional<InstalledApplication> applicationAt(const std::filesystem::path& file) const = 0;
};

}  // namespace quorvane
