#include "ui/UiSymbols.h"

#include <QHash>
#include <QPainter>
#include <utility>
#include <vector>

// The resource lives in a static library: its registration must be pulled in by name.
static void initialiseQuorvaneIcons() {
    Q_INIT_RESOURCE(QuorvaneIcons);
}

namespace quorvane {
namespace {

struct SymbolNames {
    const char* theme;
    const char* resource;
};

SymbolNames names(UiSymbol symbol) {
    switch (symbol) {
        case UiSymbol::returnKey:
            return {"", "return-key"};
        case UiSymbol::search:
            return {"edit-find-symbolic", "search"};
        case UiSymbol::remove:
            return {"window-close-symbolic", "remove"};
        case UiSymbol::photo:
            return {"image-x-generic-symbolic", "photo"};
        case UiSymbol::clipboard:
            return {"edit-paste-symbolic", "clipboard"};
        case UiSymbol::more:
            return {"view-more-horizontal-symbolic", "more"};
        case UiSymbol::tag:
            return {"tag-symbolic", "tag"};
        case UiSymbol::history:
            return {"document-open-recent-symbolic", "history"};
    }
    return {"", "clipboard"};
}

}  // namespace

QIcon UiSymbols::icon(UiSymbol symbol) {
    static bool initialised = false;
    if (!initialised) {
        initialiseQuorvaneIcons();
        initialised = true;
    }
    // Never freed: icons must not outlive the application object in static destruction.
    static auto* cache = new QHash<int, QIcon>;
    const auto found = cache->constFind(static_cast<int>(symbol));
    if (found != cache->constEnd()) return *found;
    const SymbolNames name = names(symbol);
    const QIcon fallback(QStringLiteral(":/quorvane/icons/%1.svg").arg(QLatin1String(name.resource)));
    const QIcon icon = *name.theme ? QIcon::fromTheme(QLatin1String(name.theme), fallback) : fallback;
    cache->insert(static_cast<int>(symbol), icon);
    return icon;
}

namespace {

struct TintKey {
    int symbol;
    int width;
    int height;
    QRgb color;
    qreal dpr;

    bool operator==(const TintKey&) const = default;
};

// Never freed, like the icons: pixmaps must not outlive the application object in static destruction.
std::vector<std::pair<TintKey, QPixmap>>& tintCache() {
    static auto* cache = new std::vector<std::pair<TintKey, QPixmap>>;
    return *cache;
}

}  // namespace

std::size_t UiSymbols::tintedCacheCount() {
    return tintCache().size();
}

QPixmap UiSymbols::tinted(UiSymbol symbol, QSize size, const QColor& color, qreal dpr) {
    const TintKey key{static_cast<int>(symbol), size.width(), size.height(), color.rgba(), dpr};
    auto& cache = tintCache();
    for (const auto& [cachedKey, pixmap] : cache) {
        if (cachedKey == key) return pixmap;
    }
    QPixmap source = icon(symbol).pixmap(size, dpr);
    QPixmap out(source.size());
    out.setDevicePixelRatio(source.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.drawPixmap(0, 0, source);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(out.rect(), color);
    painter.end();
    // A few symbols in the palette's few colours are all the panels use; palettes that keep changing start
    // the cache afresh rather than growing it.
    if (cache.size() >= tintedCacheLimit) cache.clear();
    cache.emplace_back(key, out);
    return out;
}

}  // namespace quorvane
