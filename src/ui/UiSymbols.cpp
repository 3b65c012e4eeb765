#include "ui/UiSymbols.h"

#include <QHash>
#include <QPainter>

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

QPixmap UiSymbols::tinted(UiSymbol symbol, QSize size, const QColor& color, qreal dpr) {
    QPixmap source = icon(symbol).pixmap(size, dpr);
    QPixmap out(source.size());
    out.setDevicePixelRatio(source.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.drawPixmap(0, 0, source);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(out.rect(), color);
    return out;
}

}  // namespace quorvane
