#pragma once

#include "pages/NoteDocument.h"
#include "pages/PageContext.h"
#include "pages/UnsavedCell.h"
#include "store/NoteStore.h"

// A document of one line per month, kept in the general sheet's table under its own keys: the
// smallest kind a test can drive through the shared rules.
class ScratchDocument : public NoteDocument {
public:
    explicit ScratchDocument(PageContext &context, QObject *parent = nullptr)
        : NoteDocument(context, parent) {}

    static QString keyFor(const QDate &date) {
        return QStringLiteral("scratch") + date.toString(QStringLiteral("yyyyMM"));
    }

    const QString &text() const { return m_text; }
    void setText(const QString &text) {
        m_text = text;
        m_modified = true;
        notifyModified();
    }

    bool isModified() const override { return m_modified; }
    int cellCount() const override { return 1; }
    QString cellText(int) const override { return m_text; }
    QList<UnsavedCell> unsavedCells() const override {
        if (!m_modified) return {};
        return {{QStringLiteral("便笺"), loadedDate(), QStringLiteral("第 1 行"), m_text,
                 m_text.toUtf8()}};
    }

protected:
    void readCells(const QDate &date) override {
        m_text = context().store.readSheet(NoteStore::Sheet::General, keyFor(date)).texts[0];
    }
    void writeCells(const QDate &date) override {
        SheetNotes notes;
        notes.texts[0] = m_text;
        context().store.writeSheet(NoteStore::Sheet::General, keyFor(date), notes);
    }
    void setUnmodified(bool) override {
        m_modified = false;
        notifyModified();
    }

private:
    QString m_text;
    bool m_modified = false;
};
