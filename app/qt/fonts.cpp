#include "fonts.h"

#include <QStringList>

namespace k5::app {
namespace {

const QString kUiFace = QString::fromUtf8("微软雅黑");

}  // namespace

void InstallFontSubstitutes() {
    const QStringList standIns = {"Microsoft YaHei", "WenQuanYi Micro Hei", "Noto Sans CJK SC",
                                  "DejaVu Sans"};
    QFont::insertSubstitutions(kUiFace, standIns);
    QFont::insertSubstitutions("MS Sans Serif", QStringList{"Microsoft Sans Serif"} + standIns);
}

QFont WindowFont() {
    QFont font("MS Sans Serif");
    font.setPointSize(8);
    return font;
}

QFont UiFont(bool bold) {
    QFont font(kUiFace);
    font.setPixelSize(13);
    font.setBold(bold);
    return font;
}

QFont WebAddressFont() {
    QFont font(kUiFace);
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

}  // namespace k5::app
