#pragma once

#include "pages/NoteDocument.h"
#include "store/NoteStore.h"

#include <QString>

#include <array>

// A ruled sheet of 42 one-line notes with a colour each (general notes, calendar notes). The
// general notes keep one sheet per month, under the year-month key of the loaded date; the
// calendar notes keep one sheet, "rili2011", whatever the date. The key is always derived from
// loadedDate(), so a save writes the sheet that was loaded.
//
// A load reads texts and colours together and changes nothing unless both came back, so a failure
// never mixes one key's texts with another's colours.
class SheetDocument : public NoteDocument {
    Q_OBJECT
public:
    static constexpr int LineCount = NoteStore::SheetLineCount;

    struct Kind {
        NoteStore::Sheet sheet = NoteStore::Sheet::General;
        bool keyedByMonth = false;          // one sheet per month, else one for every date
        bool emptiedLineTurnsBlack = false; // a line whose text becomes empty gets colour 0

        static Kind general();
        static Kind calendar();
    };

    SheetDocument(PageContext &context, const Kind &kind, QObject *parent = nullptr);
    ~SheetDocument() override;

    const Kind &kind() const { return m_kind; }
    // The key the sheet is stored under when loaded for `date`.
    QString keyFor(const QDate &date) const;
    // The key of the loaded sheet; empty before the first load.
    QString loadedKey() const;

    // Lines are numbered 1..42.
    const QString &text(int line) const { return m_notes.texts[line - 1]; }
    int color(int line) const { return m_notes.colors[line - 1]; }
    // A new text for the line, as typed. Returns true when the line's colour changed with it.
    bool setText(int line, const QString &text);
    // A value outside 0x000000..0xFFFFFF is stored as black.
    void setColor(int line, int color);
    // The line's text was changed since the last load or save (a colour alone does not count).
    bool isLineModified(int line) const { return m_lineModified[line - 1]; }

    bool isModified() const override { return m_modified; }
    int cellCount() const override { return LineCount; }
    QString cellText(int index) const override;
    // Lines typed in ("一般记事" with the first of the loaded month, "日历" without a date), each
    // with its colour beside the text.
    QList<UnsavedCell> unsavedCells() const override;
    // The general notes: the 42 lines in the two-column layout. The calendar notes give none.
    std::optional<WallpaperNotes> wallpaperNotes() const override;

    static int validColor(qint64 color) { return color < 0 || color > 0xFFFFFF ? 0 : int(color); }
    static QString saveFailedMessage() { return QStringLiteral("保存失败!请重试"); }
    static QString saveFailedCaption() { return QStringLiteral("Kestrova月历"); }

signals:
    // Line `line`'s text or colour changed (not by a load).
    void lineChanged(int line);

protected:
    void readCells(const QDate &date) override;
    void writeCells(const QDate &date) override;
    void setUnmodified(bool clearUndo) override;
    // "保存失败!请重试" as information captioned "Kestrova月历", whatever the cause.
    PageMessage saveFailureMessage(const QString &error) const override;

private:
    Kind m_kind;
    SheetNotes m_notes;
    std::array<bool, LineCount> m_lineModified{};
    bool m_modified = false;
};
