#include "platform/FontSubstitutes.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

void FontSubstitutes::install() {
    const QStringList chinese = {QStringLiteral("WenQuanYi Zen Hei"),
                                 QStringLiteral("Noto Sans CJK SC"),
                                 QStringLiteral("AR PL UMing CN")};
    for (const char *name :
         {"宋体", "SimSun", "新宋体", "NSimSun", "微软雅黑", "Microsoft YaHei", "黑体", "SimHei"})
        QFont::insertSubstitutions(QString::fromUtf8(name), chinese);
    const QStringList latin = {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
    for (const char *name :
         {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Verdana", "Arial", "Arial Black"})
        QFont::insertSubstitutions(QString::fromLatin1(name), latin + chinese);
}

QString FontSubstitutes::installedFace(const QString &family) {
    if (QFontDatabase::hasFamily(family)) return family;
    const QStringList substitutes = QFont::substitutes(family);
    for (const QString &substitute : substitutes)
        if (QFontDatabase::hasFamily(substitute)) return substitute;
    return QString();
}
