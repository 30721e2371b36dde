#pragma once

#include <QMenu>

class QAction;

// The "选项" menu of the top bar: window size and wallpaper, then the notes' export and the
// password, then help, feedback and the end of the program. The window size, wallpaper and
// password items stay disabled until their dialogs are attached.
class SystemMenu : public QMenu {
    Q_OBJECT
public:
    explicit SystemMenu(QWidget *parent = nullptr);

    // An item about the notes' data (backups), placed after the export and password items.
    void addDataAction(QAction *action);
    // The item of `objectName`, or null.
    QAction *action(const QString &objectName) const;

    QAction *windowSizeAction() const { return m_windowSize; }
    QAction *wallpaperAction() const { return m_wallpaper; }
    QAction *exportAction() const { return m_export; }
    QAction *passwordAction() const { return m_password; }
    QAction *helpAction() const { return m_help; }
    QAction *feedbackAction() const { return m_feedback; }
    QAction *exitAction() const { return m_exit; }

private:
    QAction *m_windowSize = nullptr;
    QAction *m_wallpaper = nullptr;
    QAction *m_export = nullptr;
    QAction *m_password = nullptr;
    QAction *m_dataEnd = nullptr; // the separator after the data items
    QAction *m_help = nullptr;
    QAction *m_feedback = nullptr;
    QAction *m_exit = nullptr;
};
