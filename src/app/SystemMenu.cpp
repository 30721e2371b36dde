#include "app/SystemMenu.h"

SystemMenu::SystemMenu(QWidget *parent) : QMenu(parent) {
    setObjectName(QStringLiteral("popSysset"));
    const auto item = [this](const char *name, const QString &caption) {
        QAction *a = addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    m_windowSizeAction = item("N_SetFrmSize", QStringLiteral("设置界面大小"));
    m_wallpaperAction = item("N_SetDeskTopBG", QStringLiteral("设为桌面背景"));
    addSeparator()->setObjectName(QStringLiteral("N10"));
    m_exportAction = item("N_NoteToTxt", QStringLiteral("内容导出"));
    m_printAction = item("N_Print", QStringLiteral("打印…"));
    m_printAction->setShortcut(QKeySequence::Print);
    m_pdfAction = item("N_ExportPdf", QStringLiteral("导出 PDF…"));
    m_calendarExportAction = item("N_NoteToIcs", QStringLiteral("导出到日历文件 (.ics)…"));
    m_findAction = item("N_Find", QStringLiteral("查找…"));
    m_passwordAction = item("N4", QStringLiteral("密码设置"));
    m_dataEnd = addSeparator();
    m_dataEnd->setObjectName(QStringLiteral("N8"));
    // After the items the keyboard reaches first, whose places users know.
    m_holidaysAction = item("N_Holidays", QStringLiteral("节假日…"));
    m_helpAction = item("N5", QStringLiteral("帮助说明"));
    m_feedbackAction = item("N7", QStringLiteral("意见反馈"));
    m_exitAction = item("N_ExitPrj", QStringLiteral("退出程序"));
    for (QAction *a : {m_windowSizeAction, m_wallpaperAction, m_passwordAction})
        a->setEnabled(false);
}

void SystemMenu::addDataAction(QAction *action) {
    insertAction(m_dataEnd, action);
}

QAction *SystemMenu::action(const QString &objectName) const {
    return findChild<QAction *>(objectName);
}
