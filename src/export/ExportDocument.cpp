#include "export/ExportDocument.h"

#include "base/MonthGrid.h"

#include <utility>

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// Labels of the annual export; the twelfth has no colon, as the files have always had.
const std::array<QString, ExportDocument::YearMonthCount> kMonthLabels = {
    QStringLiteral("一月份："), QStringLiteral("二月份："),   QStringLiteral("三月份："),
    QStringLiteral("四月份："), QStringLiteral("五月份："),   QStringLiteral("六月份："),
    QStringLiteral("七月份："), QStringLiteral("八月份："),   QStringLiteral("九月份："),
    QStringLiteral("十月份："), QStringLiteral("十一月份："), QStringLiteral("十二月份")};

void addLine(QString &text, const QString &line) {
    text += line;
    text += kLineEnd;
}

} // namespace

ExportDocument::ExportDocument(QString title, QString text)
    : m_title(std::move(title)), m_text(std::move(text)) {}

ExportDocument ExportDocument::monthNotes(const QDate &shownMonth,
                                          const std::array<QString, MonthCellCount> &cells) {
    const MonthGrid grid(shownMonth);
    const QString title = QStringLiteral("%1年%2月-月记事").arg(grid.year()).arg(grid.month());
    QString text;
    addLine(text, title);
    for (int k = 0; k < MonthCellCount; ++k) {
        const CivilDay day = grid.cellDay(k);
        const QString label = day.month == grid.month()
                                  ? QStringLiteral("%1月%2号：").arg(day.month).arg(day.day)
                                  : QStringLiteral("记录：");
        addLine(text, label + noteText(cells[k]));
    }
    return ExportDocument(title, text);
}

ExportDocument ExportDocument::yearNotes(int year,
                                         const std::array<QString, YearMonthCount> &months) {
    const QString title = QStringLiteral("%1年-年度记事").arg(year);
    QString text;
    addLine(text, title);
    for (int m = 0; m < YearMonthCount; ++m) addLine(text, kMonthLabels[m] + noteText(months[m]));
    return ExportDocument(title, text);
}

QString ExportDocument::noteText(const QString &plainText) {
    QString text;
    text.reserve(plainText.size());
    for (qsizetype i = 0; i < plainText.size(); ++i) {
        const QChar c = plainText[i];
        if (c == QChar::ObjectReplacementCharacter) continue;
        // Paragraph and line breaks in any spelling become CR LF.
        if (c == u'\r') {
            if (i + 1 < plainText.size() && plainText[i + 1] == u'\n') ++i;
            text += kLineEnd;
        } else if (c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            text += kLineEnd;
        } else {
            text += c;
        }
    }
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20) ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20) --end;
    return text.mid(begin, end - begin);
}
