#include "pages/AnnualNotes.h"

#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QFont>
#include <QTextDocument>

#include <algorithm>

AnnualNotes::AnnualNotes() {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    for (auto &doc : m_months) {
        doc = std::make_unique<QTextDocument>();
        doc->setDefaultFont(font);
    }
}

AnnualNotes::~AnnualNotes() = default;

QString AnnualNotes::plainText(int m) const {
    return month(m)->toPlainText();
}

void AnnualNotes::read(const NoteStore &store, int year) {
    const YearNotes notes = store.readYearNotes(year);
    for (int m = 1; m <= Months; ++m)
        m_tooLarge[m - 1] = !richtext::loadIfFits(*month(m), notes[m - 1]);
}

void AnnualNotes::write(NoteStore &store, int year) const {
    YearNotes notes;
    for (int m = 1; m <= Months; ++m)
        if (!m_tooLarge[m - 1]) notes[m - 1] = richtext::toRtf(*month(m));
    store.writeYearNotes(year, notes, m_tooLarge);
}

bool AnnualNotes::isModified() const {
    return std::any_of(m_months.begin(), m_months.end(),
                       [](const auto &doc) { return doc->isModified(); });
}

void AnnualNotes::setUnmodified(bool clearUndo) {
    for (auto &doc : m_months) {
        if (clearUndo) doc->clearUndoRedoStacks();
        doc->setModified(false);
    }
}
