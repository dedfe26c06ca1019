// How the calibration dialog marks a bad line: white on maroon, in the
// editor and on the chart.
#pragma once

#include <QColor>

inline constexpr QRgb kErrorMarkBackground = qRgb(128, 0, 0);
inline constexpr QRgb kErrorMarkText = qRgb(255, 255, 255);
