#include "export/ExportController.h"

#include "base/AtomicFile.h"
#include "export/ExportDocument.h"
#include "export/ExportFile.h"

#include <QDir>
#include <QFileInfo>

ExportController::Outcome ExportController::run(const ExportDocument &document) {
    m_path.clear();
    const std::optional<ExportQuestions::FileChoice> choice =
        m_questions.chooseFile(document.title());
    if (!choice || choice->name.isEmpty()) return Outcome::Cancelled;
    m_path = ExportFile::finalName(choice->name);

    if (!mayReplace()) return Outcome::Cancelled;

    ExportFile::Encoding encoding = choice->encoding;
    if (encoding == ExportFile::Encoding::Gbk && !ExportFile::fitsGbk(document.text())) {
        switch (m_questions.askEncoding(m_path)) {
        case ExportQuestions::EncodingAnswer::Utf8WithBom:
            encoding = ExportFile::Encoding::Utf8WithBom;
            break;
        case ExportQuestions::EncodingAnswer::GbkWithQuestionMarks:
            break;
        case ExportQuestions::EncodingAnswer::Cancel:
            return Outcome::Cancelled;
        }
    }

    return write(ExportFile::encode(document.text(), encoding));
}

ExportController::Outcome ExportController::runFile(const ExportQuestions::FileKind &kind,
                                                    const QString &proposedName,
                                                    const std::function<QByteArray()> &content) {
    m_path.clear();
    const std::optional<QString> chosen = m_questions.chooseFileOf(kind, proposedName);
    if (!chosen || chosen->isEmpty()) return Outcome::Cancelled;
    m_path = ExportFile::finalName(*chosen, kind.suffix);
    if (!mayReplace()) return Outcome::Cancelled;
    return write(content());
}

// The dialog saw the name before the suffix was added, so the file to replace is checked here.
bool ExportController::mayReplace() {
    const QFileInfo target(m_path);
    return !target.exists() || target.isDir() || m_questions.confirmReplace(m_path);
}

ExportController::Outcome ExportController::write(const QByteArray &content) {
    QString reason;
    if (!AtomicFile::write(m_path, content, &reason)) {
        m_questions.showFailure(failureMessage(m_path, reason));
        return Outcome::Failed;
    }
    return Outcome::Written;
}

QString ExportController::failureMessage(const QString &path, const QString &reason) {
    return QStringLiteral("内容导出失败，文件未能写入：\n%1\n\n原因：%2")
        .arg(QDir::toNativeSeparators(path), reason);
}
