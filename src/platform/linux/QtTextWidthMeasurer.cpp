#include "platform/linux/QtTextWidthMeasurer.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QString>

namespace quorvane {

double QtTextWidthMeasurer::width(std::string_view text, double pointSize) const {
    if (text.empty()) return 0;
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (pointSize > 0) font.setPointSizeF(pointSize);
    return QFontMetricsF(font).horizontalAdvance(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace quorvane
