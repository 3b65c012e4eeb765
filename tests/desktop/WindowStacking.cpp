#include "desktop/WindowStacking.h"

#include <algorithm>
#include <chrono>

#include "desktop/DesktopSession.h"

namespace quorvane::testing {

std::vector<WId> stackingOrder() {
    const QString line =
        QString::fromUtf8(DesktopSession::run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).output);
    std::vector<WId> ids;
    const auto from = line.indexOf('#');
    if (from < 0) return ids;
    for (const QString& id : line.mid(from + 1).split(',', Qt::SkipEmptyParts))
        ids.push_back(id.trimmed().toULongLong(nullptr, 16));
    return ids;
}

::testing::AssertionResult stackedAbove(const QWidget& upper, const QWidget& lower) {
    std::vector<WId> order;
    const bool listed = DesktopSession::processEventsUntil(
        [&] {
            order = stackingOrder();
            return std::count(order.begin(), order.end(), upper.winId()) == 1 &&
                   std::count(order.begin(), order.end(), lower.winId()) == 1;
        },
        std::chrono::seconds(5));
    if (!listed) return ::testing::AssertionFailure() << "the window manager does not list both windows";
    const auto position = [&](WId id) { return std::find(order.begin(), order.end(), id) - order.begin(); };
    if (position(upper.winId()) > position(lower.winId())) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "stacked at " << position(upper.winId()) << ", under " << position(lower.winId());
}

}  // namespace quorvane::testing
