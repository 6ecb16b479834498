#pragma once

#include <QColor>

// Colours with a meaning (warnings, failures) that some views use beside the theme, in their
// dark-appearance values.
namespace quentrel::ObserverSystemColors {

// Warnings and failures: denied permissions, failed actions, error lines.
inline constexpr QColor orange = QColor(QColor::Rgb, 0xffff, 0xffff, 0x9f9f, 0x0a0a);

}  // namespace quentrel::ObserverSystemColors
