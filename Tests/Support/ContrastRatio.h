#pragma once

#include <algorithm>
#include <cmath>

#include <QColor>

namespace testsupport {

// The contrast ratio of two colours as accessibility guidelines define it: (L1 + 0.05) / (L2 +
// 0.05) of their relative luminances, from 1 (the same) to 21 (black on white).
inline double contrastRatio(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const auto [dark, light] = std::minmax(luminance(a), luminance(b));
    return (light + 0.05) / (dark + 0.05);
}

}  // namespace testsupport
