#pragma once

// Reads a desktop entry file the user handed in, as the application catalog reads its own: at most
// XdgApplicationCatalog::maximumDesktopFileSize bytes, strictly parsed, and only "Type=Application" entries
// that have a Name and are not Hidden count. Safe from any thread.

#include "platform/ApplicationFileReader.h"

namespace quorvane {

class DesktopApplicationFileReader final : public ApplicationFileReader {
public:
    std::optional<InstalledApplication> applicationAt(const std::filesystem::path& file) const override;
};

}  // namespace quorvane
