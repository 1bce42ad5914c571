// The faces the windows ask for, and their stand-ins where those are missing.
#pragma once

#include <QFont>

namespace k5::app {

// "MS Sans Serif" and "微软雅黑" fall back to faces that can show Chinese.
void InstallFontSubstitutes();

QFont WindowFont();               // MS Sans Serif, 8 points
QFont UiFont(bool bold = false);  // 微软雅黑, 13 pixels
QFont WebAddressFont();           // 微软雅黑, 16 pixels, bold

}  // namespace k5::app
