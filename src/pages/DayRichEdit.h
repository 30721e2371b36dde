#pragma once

#include <QMenu>
#include <QPointer>
#include <QTextEdit>

// A rich-text editor of the note pages with an optional character limit (0 = none): typing,
// input methods, pasting, dropping and inserted marks never make the text longer than the limit;
// a paste that does not fit is cut to the room left, as plain text. A paste or drop brings text
// and formatting only, as a note stores them (richtext::storable): no pictures. Reports focus
// loss and mouse release; shows the page's cell menu in place of the default one. Without a
// vertical scroll bar, a small mark at the lower right tells that the text goes on below.
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

    // The context menu shown instead of the control's own (null: the control's own).
    void setCellMenu(QMenu *menu) { m_cellMenu = menu; }
    QMenu *cellMenu() const { return m_cellMenu; }

    // Replaces the selection by `text`, or inserts it at the caret, in the formatting at the
    // caret, when it fits in the limit; returns false (changing nothing) otherwise.
    bool insertWithinLimit(const QString &text);

    // True when the vertical scroll bar is off and text lies below the visible part.
    bool hasHiddenTextBelow() const;
    // Where the mark of hidden text is painted, in the viewport.
    QRect hiddenTextMarkRect() const;

signals:
    // The editor got the keyboard focus from within its window: by Tab, a click, a shortcut or
    // the program (not by a switch back to the window or the closing of a popup).
    void focusGained(Qt::FocusReason reason);
    void focusLost();
    void mouseReleased(Qt::MouseButton button);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Characters that may still be inserted in place of the current selection.
    int room() const;

    int m_maxLength = 0;
    int m_tabNumber = 0;
    QPointer<QMenu> m_cellMenu;
    bool m_rightDown = false;
    bool m_rightReleaseReported = false;
};
