#pragma once

// Icons of the applications entries came from, found through their desktop entries (a theme icon name or a
// file path) and remembered per id for the life of the provider, the fallback included: an application
// installed later keeps the clipboard symbol until the next start. Main thread only.

#include <QHash>
#include <QIcon>
#include <QString>
#include <optional>
#include <string>

#include "platform/ApplicationCatalog.h"

namespace quorvane {

class ClipboardAppIconProvider {
public:
    // `catalog` may be null (every entry shows the clipboard symbol); it must outlive the provider.
    explicit ClipboardAppIconProvider(const ApplicationCatalog* catalog) : catalog_(catalog) {}

    // The icon of the application `bundleIdentifier`; the clipboard symbol when there is none.
    QIcon icon(const std::optional<std::string>& bundleIdentifier);
    // The name of the application `bundleIdentifier` in the interface language; empty when unknown.
    std::string applicationName(const std::optional<std::string>& bundleIdentifier) const;
    int cachedCount() const { return static_cast<int>(cache_.size()); }

private:
    QIcon lookUp(const std::string& bundleIdentifier) const;

    const ApplicationCatalog* catalog_;
    QHash<QString, QIcon> cache_;
};

}  // namespace quorvane
