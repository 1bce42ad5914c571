#include "fonts.h"

#include <QStringList>

namespace k5::app {
namespace {

const QString kUiFace = QString::fromUtf8(style::kUiFace);

}  // namespace

void InstallFontSubstitutes() {
    const QStringList standIns = {"Microsoft YaHei", "WenQuanYi Micro Hei", "Noto Sans CJK SC",
                                  "DejaVu Sans"};
    QFont::insertSubstitutions(kUiFace, standIns);
    QFont::insertSubstitutions(style::kWindowFace, QStringList{"Microsoft Sans Serif"} + standIns);
}

QFont WindowFont() {
    QFont font(style::kWindowFace);
    font.setPointSize(style::kWindowFontPoints);
    return font;
}

QFont UiFont(bool bold) {
    QFont font(kUiFace);
    font.setPixelSize(style::kUiFontPixels);
    font.setBold(bold);
    return font;
}

QFont WebAddressFont() {
    QFont font(kUiFace);
    font.setPixelSize(style::kWebAddressFontPixels);
    font.setBold(true);
    return font;
}

}  // namespace k5::app
