#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool QtTranslation::installChinese(QCoreApplication &app) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        qWarning("Qt's Chinese texts (qtbase_zh_CN.qm) are not in %s: its dialogs show English",
                 qPrintable(folder));
        delete translator;
        return false;
    }
    return true;
}
