#include "pages/AnnualNotesDocument.h"

#include "pages/LastSelection.h"
#include "pages/PageContext.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QFont>
#include <QTextDocument>

#include <algorithm>

AnnualNotesDocument::AnnualNotesDocument(PageContext &context, QObject *parent)
    : NoteDocument(context, parent) {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    for (auto &doc : m_months) {
        doc = std::make_unique<QTextDocument>();
        doc->setDefaultFont(font);
        connect(doc.get(), &QTextDocument::modificationChanged, this,
                &AnnualNotesDocument::notifyModified);
    }
}

AnnualNotesDocument::~AnnualNotesDocument() = default;

const QString &AnnualNotesDocument::monthCaption(int month) {
    static const std::array<QString, Months> captions = {
        QStringLiteral("一月份"), QStringLiteral("二月份"),   QStringLiteral("三月份"),
        QStringLiteral("四月份"), QStringLiteral("五月份"),   QStringLiteral("六月份"),
        QStringLiteral("七月份"), QStringLiteral("八月份"),   QStringLiteral("九月份"),
        QStringLiteral("十月份"), QStringLiteral("十一月份"), QStringLiteral("十二月份")};
    return captions[month - 1];
}

QString AnnualNotesDocument::cellText(int index) const {
    return (index >= 0 && index < Months) ? month(index + 1)->toPlainText() : QString();
}

bool AnnualNotesDocument::isModified() const {
    return std::any_of(m_months.begin(), m_months.end(),
                       [](const auto &doc) { return doc->isModified(); });
}

void AnnualNotesDocument::readCells(const QDate &date) {
    const YearNotes notes = context().store.readYearNotes(date.year());
    for (int m = 1; m <= Months; ++m)
        m_tooLarge[m - 1] = !richtext::loadIfFits(*month(m), notes[m - 1]);
    // The recorded selection was made in the text that is gone.
    context().lastSelection.clear();
}

void AnnualNotesDocument::writeCells(const QDate &date) {
    YearNotes notes;
    for (int m = 1; m <= Months; ++m)
        if (!m_tooLarge[m - 1]) notes[m - 1] = richtext::toRtf(*month(m));
    context().store.writeYearNotes(date.year(), notes, m_tooLarge);
}

void AnnualNotesDocument::setUnmodified(bool clearUndo) {
    for (auto &doc : m_months) {
        if (clearUndo) doc->clearUndoRedoStacks();
        doc->setModified(false);
    }
}

QList<UnsavedCell> AnnualNotesDocument::unsavedCells() const {
    QList<UnsavedCell> cells;
    const int year = loadedDate().year();
    for (int m = 1; m <= Months; ++m) {
        const QTextDocument *doc = month(m);
        if (!doc->isModified() || m_tooLarge[m - 1]) continue;
        cells.append({QStringLiteral("年度记事"), QDate(year, m, 1), monthCaption(m),
                      doc->toPlainText(), richtext::toRtf(*doc)});
    }
    return cells;
}

std::optional<ExportDocument> AnnualNotesDocument::exportDocument() const {
    const QDate shown = isLoaded() ? loadedDate() : requestedDate();
    return ExportDocument::yearNotes(shown.year(), cellTexts<ExportDocument::YearMonthCount>());
}
