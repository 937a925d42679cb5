#pragma once
// The font of the windows' labels: a Japanese proportional gothic, so that no
// Japanese caption renders as boxes.
#include <QFont>
#include <QStringList>

namespace drv {

inline QFont JapaneseUiFont() {
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);  // 9 points at 96 dpi
    return font;
}

}  // namespace drv
