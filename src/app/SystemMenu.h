#pragma once

#include <QMenu>

class QAction;

// The "选项" menu of the top bar: window size and wallpaper, then the notes'
// export, print and PDF, and the password, then the holiday list, help, feedback and the end of the
// program. The window size, wallpaper and password items stay disabled until their dialogs are
// attached.
class SystemMenu : public QMenu {
    Q_OBJECT
public:
    explicit SystemMenu(QWidget *parent = nullptr);

    // An item about the notes' data (backups), placed after the export and password items.
    void addDataAction(QAction *action);
    // The item of `objectName`, or null.
    QAction *action(const QString &objectName) const;

    QAction *windowSizeAction() const { return m_windowSizeAction; }
    QAction *wallpaperAction() const { return m_wallpaperAction; }
    QAction *holidaysAction() const { return m_holidaysAction; }
    QAction *findAction() const { return m_findAction; }
    QAction *exportAction() const { return m_exportAction; }
    QAction *printAction() const { return m_printAction; }
    QAction *pdfAction() const { return m_pdfAction; }
    QAction *calendarExportAction() const { return m_calendarExportAction; }
    QAction *passwordAction() const { return m_passwordAction; }
    QAction *helpAction() const { return m_helpAction; }
    QAction *feedbackAction() const { return m_feedbackAction; }
    QAction *exitAction() const { return m_exitAction; }

private:
    QAction *m_windowSizeAction = nullptr;
    QAction *m_wallpaperAction = nullptr;
    QAction *m_holidaysAction = nullptr;
    QAction *m_findAction = nullptr;
    QAction *m_exportAction = nullptr;
    QAction *m_printAction = nullptr;
    QAction *m_pdfAction = nullptr;
    QAction *m_calendarExportAction = nullptr;
    QAction *m_passwordAction = nullptr;
    QAction *m_dataEnd = nullptr; // the separator after the data items
    QAction *m_helpAction = nullptr;
    QAction *m_feedbackAction = nullptr;
    QAction *m_exitAction = nullptr;
};
