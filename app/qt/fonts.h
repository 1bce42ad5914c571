// The window style in Qt's terms: the faces the windows ask for (and their
// stand-ins where those are missing), and the colours.
#pragma once

#include <QColor>
#include <QFont>

#include "window_style.h"

namespace k5::app {

// "MS Sans Serif" and "微软雅黑" fall back to faces that can show Chinese.
void InstallFontSubstitutes();

QFont WindowFont();               // MS Sans Serif, 8 points
QFont UiFont(bool bold = false);  // 微软雅黑, 13 pixels
QFont WebAddressFont();           // 微软雅黑, 16 pixels, bold

inline QColor ToQColor(style::Colour c) { return QColor(c.red, c.green, c.blue); }

}  // namespace k5::app
