#include "export/ExportController.h"

#include "base/AtomicFile.h"
#include "export/ExportDocument.h"
#include "export/ExportFile.h"
#include "export/ExportQuestions.h"

#include <QDir>
#include <QFileInfo>

ExportController::Outcome ExportController::run(const ExportDocument &document) {
    m_path.clear();
    const std::optional<ExportQuestions::FileChoice> choice =
        m_questions.chooseFile(document.title());
    if (!choice || choice->name.isEmpty()) return Outcome::Cancelled;
    m_path = ExportFile::finalName(choice->name);

    // The dialog saw the name before ".txt" was added, so the file to replace is checked here.
    const QFileInfo target(m_path);
    if (target.exists() && !target.isDir() && !m_questions.confirmReplace(m_path))
        return Outcome::Cancelled;

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

    QString reason;
    if (!AtomicFile::write(m_path, ExportFile::encode(document.text(), encoding), &reason)) {
        m_questions.showFailure(failureMessage(m_path, reason));
        return Outcome::Failed;
    }
    return Outcome::Written;
}

QString ExportController::failureMessage(const QString &path, const QString &reason) {
    return QStringLiteral("内容导出失败，文件未能写入：\n%1\n\n原因：%2")
        .arg(QDir::toNativeSeparators(path), reason);
}
