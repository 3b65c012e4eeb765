#include "platform/memory/InMemoryApplicationCatalog.h"

#include <algorithm>

namespace quorvane {

InMemoryApplicationCatalog::InMemoryApplicationCatalog(std::vector<InstalledApplication> applications) {
    for (auto& application : applications) install(std::move(application));
}

std::shared_ptr<const std::vector<InstalledApplication>> InMemoryApplicationCatalog::applicationEntries()
    const {
    std::lock_guard lock(mutex_);
    ++entryRequestCount_;
    return applications_;
}

void InMemoryApplicationCatalog::install(InstalledApplication application) {
    std::lock_guard lock(mutex_);
    auto updated = *applications_;
    std::erase_if(updated,
                  [&](const auto& existing) { return existing.identifier == application.identifier; });
    const auto position = std::lower_bound(
        updated.begin(), updated.end(), application.identifier,
        [](const InstalledApplication& existing, const std::string& id) { return existing.identifier < id; });
    updated.insert(position, std::move(application));
    applications_ = std::make_shared<const std::vector<InstalledApplication>>(std::move(updated));
}

void InMemoryApplicationCatalog::install(std::string identifier, std::string name, bool noDisplay) {
    InstalledApplication application;
    application.identifier = std::move(identifier);
    application.name = std::move(name);
    application.noDisplay = noDisplay;
    install(std::move(application));
}

void InMemoryApplicationCatalog::uninstall(std::string_view identifier) {
    std::lock_guard lock(mutex_);
    auto updated = *applications_;
    std::erase_if(updated, [&](const auto& existing) { return existing.identifier == identifier; });
    applications_ = std::make_shared<const std::vector<InstalledApplication>>(std::move(updated));
}

int InMemoryApplicationCatalog::entryRequestCount() const {
    std::lock_guard lock(mutex_);
    return entryRequestCount_;
}

}  // namespace quorvane
