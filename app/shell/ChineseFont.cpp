#include "app/shell/ChineseFont.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

namespace korvex::shell {

QStringList PreferChineseFont() {
    QFont font = QApplication::font();
    const QString desktop = QFontInfo(font).family();
    QStringList families{desktop};
    const bool hasChinese =
        QFontDatabase::writingSystems(desktop).contains(QFontDatabase::SimplifiedChinese);
    if (!hasChinese && QFontDatabase::families().contains(QLatin1String(kChineseFallbackFamily))) {
        families.append(QLatin1String(kChineseFallbackFamily));
        font.setFamilies(families);
        QApplication::setFont(font);
    }
    return families;
}

}  // namespace korvex::shell
