#pragma once

#include "store/NoteSearch.h"

#include <QFrame>
#include <QPointer>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;

// "查找": a text field and the notes that hold its text, found as the user types (after a short
// pause), newest first, each with where it is and a line around the match. Escape closes the bar
// and gives the focus back to where it was; Enter or a double click on a result asks to go there.
class FindBar : public QFrame {
    Q_OBJECT
public:
    using Search = std::function<std::vector<SearchHit>(const QString &query)>;
    static constexpr int Pause = 250; // ms after the last keystroke
    static constexpr int ShownResults = 300;

    using WaitNotice = std::function<QString()>;

    explicit FindBar(Search search, QWidget *parent = nullptr);
    // Asked before every search: a text there is shown instead of results, and is no failure.
    void setWaitNotice(WaitNotice notice) { m_waitNotice = std::move(notice); }

    // Shows the bar with the focus in its field (its text selected).
    void open();
    // Hides the bar; the focus goes back to the widget that had it before open().
    void close();

    QLineEdit *field() const { return m_field; }
    QListWidget *results() const { return m_results; }
    const std::vector<SearchHit> &hits() const { return m_hits; }
    // Runs the search for the field's text now (the pause's end).
    void search();

signals:
    void activated(const NotePlace &place, const QString &query);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void activateRow(int row);

    Search m_search;
    WaitNotice m_waitNotice;
    QLineEdit *m_field = nullptr;
    QLabel *m_count = nullptr;
    QListWidget *m_results = nullptr;
    QTimer *m_pause = nullptr;
    std::vector<SearchHit> m_hits;
    QString m_query; // the query of m_hits
    QPointer<QWidget> m_returnFocus;
};
