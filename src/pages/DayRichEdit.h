#pragma once

#include <QTextEdit>

// A rich-text editor of the note pages with an optional character limit (0 = none): typing,
// input methods, pasting and dropping never make the text longer than the limit; a paste that
// does not fit is cut to the room left, as plain text. Reports focus loss and mouse release.
class DayRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit DayRichEdit(QWidget *parent = nullptr);

    void setMaxLength(int length) { m_maxLength = length; }
    int maxLength() const { return m_maxLength; }
    // Characters counted against the limit (a paragraph break counts one).
    int textLength() const;

    // The editor's number in its page (1..42 for the day editors, 0 for the day plan).
    void setTabNumber(int n) { m_tabNumber = n; }
    int tabNumber() const { return m_tabNumber; }

signals:
    void focusLost();
    void mouseReleased(Qt::MouseButton button);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Characters that may still be inserted in place of the current selection.
    int room() const;

    int m_maxLength = 0;
    int m_tabNumber = 0;
    bool m_rightDown = false;
    bool m_rightReleaseReported = false;
};
