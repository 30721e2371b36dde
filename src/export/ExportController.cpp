#include "export/ExportController.h"

#include "base/AtomicFile.h"
#include "export/CalendarExport.h"
#include "export/ExportDocument.h"
#include "export/ExportFile.h"
#include "store/StoreError.h"

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

    QByteArray bytes;
    try {
        bytes = content();
    } catch (const StoreError &e) {
        return fail(e.message());
    }
    return write(bytes);
}

ExportController::Outcome ExportController::runCalendar(const NoteStore &store,
                                                        const QDate &today) {
    m_path.clear();
    const std::optional<CalendarExport::Months> months =
        m_questions.chooseMonths(CalendarExport::yearOf(today));
    if (!months) return Outcome::Cancelled;
    return runFile(calendarFileKind(), CalendarExport::proposedName(*months), [&] {
        return CalendarExport::calendar(store, *months, QDateTime::currentDateTimeUtc());
    });
}

bool ExportController::mayReplace() const {
    const QFileInfo target(m_path);
    return !target.exists() || target.isDir() || m_questions.confirmReplace(m_path);
}

ExportController::Outcome ExportController::write(const QByteArray &bytes) {
    QString reason;
    if (!AtomicFile::write(m_path, bytes, &reason)) return fail(reason);
    return Outcome::Written;
}

ExportController::Outcome ExportController::fail(const QString &reason) {
    m_questions.showFailure(failureMessage(m_path, reason));
    return Outcome::Failed;
}

ExportQuestions::FileKind ExportController::calendarFileKind() {
    return {QStringLiteral("导出到日历文件"), QStringLiteral("iCalendar (*.ics)"),
            QStringLiteral(".ics"), QStringLiteral("svdNoteToIcs")};
}

QString ExportController::failureMessage(const QString &path, const QString &reason) {
    return QStringLiteral("内容导出失败，文件未能写入：\n%1\n\n原因：%2")
        .arg(QDir::toNativeSeparators(path), reason);
}
