#pragma once

#include "export/ExportQuestions.h"

#include <QFileInfo>
#include <QStringList>

// Answers an export's questions as a user would, and records what was asked (with the file
// names, not their folders).
struct ScriptedQuestions : ExportQuestions {
    std::optional<FileChoice> file; // also the name for a file of another kind
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
