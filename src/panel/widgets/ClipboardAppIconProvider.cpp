#include "panel/widgets/ClipboardAppIconProvider.h"

#include <QFileInfo>

#include "l10n/AppLanguage.h"
#include "ui/UiSymbols.h"

namespace quorvane {

QIcon ClipboardAppIconProvider::icon(const std::optional<std::string>& bundleIdentifier) {
    if (!bundleIdentifier || bundleIdentifier->empty()) return UiSymbols::icon(UiSymbol::clipboard);
    const QString key = QString::fromStdString(*bundleIdentifier);
    const auto found = cache_.constFind(key);
    if (found != cache_.constEnd()) return *found;
    const QIcon icon = lookUp(*bundleIdentifier);
    cache_.insert(key, icon);
    return icon;
}

std::string ClipboardAppIconProvider::applicationName(
    const std::optional<std::string>& bundleIdentifier) const {
    if (!catalog_ || !bundleIdentifier || bundleIdentifier->empty()) return {};
    const auto application = catalog_->applicationWithIdentifier(*bundleIdentifier);
    if (!application) return {};
    if (AppLanguage::current() == AppLanguage::simplifiedChinese) {
        for (const char* locale : {"zh_CN", "zh_Hans", "zh"}) {
            const auto localized = application->localizedNames.find(locale);
            if (localized != application->localizedNames.end() && !localized->second.empty())
                return localized->second;
        }
    }
    return application->name;
}

QIcon ClipboardAppIconProvider::lookUp(const std::string& bundleIdentifier) const {
    if (catalog_) {
        if (const auto application = catalog_->applicationWithIdentifier(bundleIdentifier)) {
            const QString name = QString::fromStdString(application->icon);
            if (!name.isEmpty()) {
                if (QFileInfo(name).isAbsolute()) {
                    if (QFileInfo::exists(name)) return QIcon(name);
                } else if (QIcon::hasThemeIcon(name)) {
                    return QIcon::fromTheme(name);
                }
            }
        }
    }
    return UiSymbols::icon(UiSymbol::clipboard);
}

}  // namespace quorvane
