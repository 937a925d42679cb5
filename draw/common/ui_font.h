#pragma once
// The font of the windows' labels: a Japanese proportional gothic, so that no
// Japanese caption renders as boxes.
#include <QFont>
#include <QStringList>

namespace drv {

// 12 pixels are 9 points at 96 dpi.
inline QFont JapaneseUiFont(int pixelSize = 12, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(pixelSize);
    if (bold) font.setBold(true);
    return font;
}

}  // namespace drv
