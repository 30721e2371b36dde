#pragma once

#include "export/ExportQuestions.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QFileDialog;

// The export's questions as dialogs over `parent`: the save dialogs, the months of a calendar
// file and message boxes captioned with the application title.
class ExportDialogs : public ExportQuestions {
public:
    // The save dialog's filters: GBK, as the files have always been, and UTF-8.
    static QString gbkFilter() { return QStringLiteral("*.Txt (*.Txt)"); }
    static QString utf8Filter() { return QStringLiteral("UTF-8 *.Txt (*.Txt)"); }

    explicit ExportDialogs(QWidget *parent) : m_parent(parent) {}

    // Qt's own save dialog instead of the desktop's, so that it can be filled in by tests.
    void setUseNativeDialog(bool native) { m_native = native; }

    std::optional<FileChoice> chooseFile(const QString &proposedName) override;
    std::optional<QString> chooseFileOf(const FileKind &kind, const QString &proposedName) override;
    std::optional<CalendarExport::Months>
    chooseMonths(const CalendarExport::Months &proposed) override;
    bool confirmReplace(const QString &path) override;
    EncodingAnswer askEncoding(const QString &path) override;
    void showFailure(const QString &message) override;

private:
    // Runs a save dialog with the settings every export shares, starting in the last export's
    // folder; the chosen name, nothing when cancelled.
    std::optional<QString> chooseName(QFileDialog &dialog, const QString &proposedName);

    QPointer<QWidget> m_parent;
    bool m_native = true;
    QString m_lastFolder; // the next export starts where the last one went
};
