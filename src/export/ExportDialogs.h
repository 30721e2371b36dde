#pragma once

#include "export/ExportQuestions.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// The export's questions as dialogs over `parent`: the save dialog and message
// boxes captioned with the application title.
class ExportDialogs : public ExportQuestions {
public:
    // The save dialog's filters: GBK, as the files have always been, and UTF-8.
    static QString gbkFilter() { return QStringLiteral("*.Txt (*.Txt)"); }
    static QString utf8Filter() { return QStringLiteral("UTF-8 *.Txt (*.Txt)"); }

    explicit ExportDialogs(QWidget *parent) : m_parent(parent) {}

    // Qt's own save dialog instead of the desktop's, so that it can be filled in by tests.
    void setUseNativeDialog(bool native) { m_native = native; }

    std::optional<FileChoice> chooseFile(const QString &proposedName) override;
    bool confirmReplace(const QString &path) override;
    EncodingAnswer askEncoding(const QString &path) override;
    void showFailure(const QString &message) override;

private:
    QPointer<QWidget> m_parent;
    bool m_native = true;
    QString m_lastFolder; // the next export starts where the last one went
};
