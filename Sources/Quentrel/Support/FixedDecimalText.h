#pragma once

#include <string>

namespace quentrel {

// `value` with exactly `decimals` digits after a point, as C's "%.Nf" prints it (round to
// nearest, ties to even on the exact binary value) but never through the C locale: once the UI
// app's QApplication has called setlocale(LC_ALL, ""), printf would write a comma in some locales.
// No grouping. Non-finite values print as "inf", "-inf" or "nan"; callers keep them out.
std::string fixedDecimalText(double value, int decimals);

}  // namespace quentrel
