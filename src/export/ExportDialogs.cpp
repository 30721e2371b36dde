#include "export/ExportDialogs.h"

#include "base/AppIdentity.h"
#include "export/MonthRangeDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString caption() {
    return QString::fromUtf8(AppIdentity::kAppTitle);
}

} // namespace

std::optional<QString> ExportDialogs::chooseName(QFileDialog &dialog, const QString &proposedName) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The replace question is asked for the name with its suffix, which the dialog never sees.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::DontUseNativeDialog, !m_native);
    if (!m_lastFolder.isEmpty()) dialog.setDirectory(m_lastFolder);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    m_lastFolder = QFileInfo(files.first()).absolutePath();
    return files.first();
}

std::optional<ExportQuestions::FileChoice> ExportDialogs::chooseFile(const QString &proposedName) {
    QFileDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("svdNoteToTxt"));
    dialog.setWindowTitle(QStringLiteral("内容导出"));
    dialog.setNameFilters({gbkFilter(), utf8Filter()});
    const std::optional<QString> name = chooseName(dialog, proposedName);
    if (!name) return std::nullopt;
    FileChoice choice;
    choice.name = *name;
    choice.encoding = dialog.selectedNameFilter() == utf8Filter()
                          ? ExportFile::Encoding::Utf8WithBom
                          : ExportFile::Encoding::Gbk;
    return choice;
}

std::optional<QString> ExportDialogs::chooseFileOf(const FileKind &kind,
                                                   const QString &proposedName) {
    QFileDialog dialog(m_parent);
    dialog.setObjectName(kind.dialogName);
    dialog.setWindowTitle(kind.caption);
    dialog.setNameFilters({kind.filter});
    return chooseName(dialog, proposedName);
}

std::optional<CalendarExport::Months>
ExportDialogs::chooseMonths(const CalendarExport::Months &proposed) {
    MonthRangeDialog dialog(proposed, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.months();
}

bool ExportDialogs::confirmReplace(const QString &path) {
    QMessageBox box(
        QMessageBox::Question, caption(),
        QStringLiteral("文件“%1”已存在。\n要替换它吗？").arg(QDir::toNativeSeparators(path)),
        QMessageBox::NoButton, m_parent);
    QPushButton *replace = box.addButton(QStringLiteral("替换"), QMessageBox::AcceptRole);
    QPushButton *keep = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == replace;
}

ExportQuestions::EncodingAnswer ExportDialogs::askEncoding(const QString &path) {
    QMessageBox box(QMessageBox::Question, caption(),
                    QStringLiteral("要导出的内容中有 GBK 编码无法保存的字符（例如表情符号）。\n\n"
                                   "“UTF-8”：按 UTF-8 保存“%1”，所有字符原样保留；\n"
                                   "“GBK”：按 GBK 保存，这些字符写成“?”。")
                        .arg(QDir::toNativeSeparators(path)),
                    QMessageBox::NoButton, m_parent);
    QPushButton *utf8 = box.addButton(QStringLiteral("UTF-8"), QMessageBox::AcceptRole);
    QPushButton *gbk = box.addButton(QStringLiteral("GBK"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(utf8);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == utf8) return EncodingAnswer::Utf8WithBom;
    if (box.clickedButton() == gbk) return EncodingAnswer::GbkWithQuestionMarks;
    return EncodingAnswer::Cancel;
}

void ExportDialogs::showFailure(const QString &message) {
    QMessageBox::warning(m_parent, caption(), message);
}
