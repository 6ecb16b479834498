#include "AlertTextWidth.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QLabel>
#include <QMessageBox>

namespace quentrel {

void AlertTextWidth::fit(QMessageBox& box) {
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;  // the icon
        const QFontMetricsF metrics(label->font());
        qreal widest = 0;
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            widest = std::max(widest, metrics.horizontalAdvance(line));
        label->setMinimumWidth(std::min(textWidth, static_cast<int>(std::ceil(widest))));
    }
}

}  // namespace quentrel
