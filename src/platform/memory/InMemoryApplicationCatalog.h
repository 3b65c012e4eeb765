#pragma once

// Installed applications kept in memory: the double for tests and headless runs. Safe from any thread.

#include <mutex>

#include "platform/ApplicationCatalog.h"

namespace quorvane {

class InMemoryApplicationCatalog : public ApplicationCatalog {
public:
    InMemoryApplicationCatalog() = default;
    explicit InMemoryApplicationCatalog(std::vector<InstalledApplication> applications);

    std::shared_ptr<const std::vector<InstalledApplication>> applicationEntries() const override;

    // Adds `application`, replacing one with the same identifier.
    void install(InstalledApplication application);
    // Adds an application with just an identifier and a name.
    void install(std::string identifier, std::string name, bool noDisplay = false);
    void uninstall(std::string_view identifier);
    // How many times the entries were asked for (lookups included).
    int entryRequestCount() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const std::vector<InstalledApplication>> applications_ =
        std::make_shared<const std::vector<InstalledApplication>>();
    mutable int entryRequestCount_ = 0;
};

}  // namespace quorvane
