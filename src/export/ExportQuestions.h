#pragma once

#include "export/CalendarExport.h"
#include "export/ExportFile.h"

#include <QString>
#include <optional>

// What an export asks the user; the program answers through dialogs, tests answer directly.
class ExportQuestions {
public:
    struct FileChoice {
        QString name; // as typed, before ".txt" is added
        ExportFile::Encoding encoding = ExportFile::Encoding::Gbk; // from the chosen filter
    };
    enum class EncodingAnswer { Utf8WithBom, GbkWithQuestionMarks, Cancel };
    // A file of another kind than text (a PDF, a calendar file): the save dialog's caption and
    // filter, the ending its name gets and the dialog's object name.
    struct FileKind {
        QString caption;
        QString filter;
        QString suffix;
        QString dialogName = QStringLiteral("svdNoteToFile");
    };

    virtual ~ExportQuestions() = default;

    // The save dialog, proposing `proposedName`; nothing when the user cancels.
    virtual std::optional<FileChoice> chooseFile(const QString &proposedName) = 0;
    // The save dialog for a file of `kind`; the name as typed, nothing when the user cancels.
    virtual std::optional<QString> chooseFileOf(const FileKind &kind,
                                                const QString &proposedName) = 0;
    // `path` exists: may it be replaced?
    virtual bool confirmReplace(const QString &path) = 0;
    // The text holds characters GBK cannot hold; UTF-8 with BOM is the default answer.
    virtual EncodingAnswer askEncoding(const QString &path) = 0;
    // The months of a calendar file, proposing `proposed`; nothing when the user cancels.
    virtual std::optional<CalendarExport::Months>
    chooseMonths(const CalendarExport::Months &proposed) = 0;
    // The export failed; `message` names the file and the reason.
    virtual void showFailure(const QString &message) = 0;
};
