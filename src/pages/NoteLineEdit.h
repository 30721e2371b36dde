#pragma once

#include <QLineEdit>

// A one-line note (the lines of the general and calendar notes pages, the memo lines) with an
// optional limit in bytes as code page 936 counts them (GbkCodec::byteLength; 0 = no limit).
// Typing, input methods, pasting, dropping and programmatic insert() never make the text longer
// than the limit: what does not fit is cut from the inserted part, and an insertion of which
// nothing fits is refused. Text read from the store goes in through setStoredText(), which never
// cuts; such a text may then shrink but not grow. Reports focus changes that move between
// widgets (not a switch to another window or a popup).
class NoteLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NoteLineEdit(QWidget *parent = nullptr);

    void setMaxBytes(int bytes);

    // The line's number in its list (1-based), which names its stored column.
    void setLineNumber(int n) { m_lineNumber = n; }
    int lineNumber() const { return m_lineNumber; }

    // Shows `text` as stored: never cut, no undo history, not modified, from its beginning (the
    // caret at the start).
    void setStoredText(const QString &text);

    // The text colour, as the store keeps it: 0x00BBGGRR.
    void setColorValue(int color);
    int colorValue() const { return m_color; }

signals:
    void focusGained();
    void focusLost();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    class ByteLimit;
    friend class ByteLimit;

    int m_maxBytes = 0;
    int m_lineNumber = 0;
    int m_color = 0;
    bool m_storing = false; // setStoredText() is running: the limit does not apply
    QString m_acceptedText; // the text before the change being checked
};
