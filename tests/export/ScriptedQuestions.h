#pragma once

#include "export/ExportQuestions.h"

#include <QFileInfo>
#include <QStringList>

// Answers an export's questions as a user would, and records what was asked (with the file
// names, not their folders).
struct ScriptedQuestions : ExportQuestions {
    std::optional<FileChoice> file;               // also the name for a file of another kind
    std::optional<CalendarExport::Months> months; // nothing: the proposed months are taken
    bool cancelMonths = false;
    bool replace = true;
    EncodingAnswer encoding = EncodingAnswer::Utf8WithBom;
    QStringList asked;
    QStringList failures;

    std::optional<FileChoice> chooseFile(const QString &proposedName) override {
        asked << QStringLiteral("file:") + proposedName;
        return file;
    }
    std::optional<QString> chooseFileOf(const FileKind &kind,
                                        const QString &proposedName) override {
        asked << kind.suffix + QStringLiteral(" file:") + proposedName;
        if (!file) return std::nullopt;
        return file->name;
    }
    std::optional<CalendarExport::Months>
    chooseMonths(const CalendarExport::Months &proposed) override {
        asked << QStringLiteral("months:%1-%2 %3-%4")
                     .arg(proposed.first.year())
                     .arg(proposed.first.month())
                     .arg(proposed.last.year())
                     .arg(proposed.last.month());
        if (cancelMonths) return std::nullopt;
        return months ? months : proposed;
    }
    bool confirmReplace(const QString &path) override {
        asked << QStringLiteral("replace:") + QFileInfo(path).fileName();
        return replace;
    }
    EncodingAnswer askEncoding(const QString &path) override {
        asked << QStringLiteral("encoding:") + QFileInfo(path).fileName();
        return encoding;
    }
    void showFailure(const QString &message) override { failures << message; }

    void choose(const QString &name, ExportFile::Encoding filter = ExportFile::Encoding::Gbk) {
        file = FileChoice{name, filter};
    }
};
