#include "app/FindBar.h"

#include "store/StoreError.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString escaped(const QString &text) {
    return text.toHtmlEscaped();
}

} // namespace

FindBar::FindBar(Search search, QWidget *parent)
    : QFrame(parent), m_search(std::move(search)), m_field(new QLineEdit(this)),
      m_count(new QLabel(this)), m_results(new QListWidget(this)), m_pause(new QTimer(this)) {
    setObjectName(QStringLiteral("FindBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    m_field->setObjectName(QStringLiteral("findText"));
    m_field->setPlaceholderText(QStringLiteral("查找所有记事"));
    m_field->installEventFilter(this);
    m_results->setObjectName(QStringLiteral("findResults"));
    m_results->setUniformItemSizes(false);
    m_results->installEventFilter(this);
    m_count->setObjectName(QStringLiteral("findCount"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->addWidget(m_field);
    layout->addWidget(m_count);
    layout->addWidget(m_results);
    m_pause->setSingleShot(true);
    m_pause->setInterval(Pause);
    connect(m_pause, &QTimer::timeout, this, &FindBar::search);
    connect(m_field, &QLineEdit::textChanged, m_pause, qOverload<>(&QTimer::start));
    connect(m_results, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { activateRow(m_results->row(item)); });
    hide();
}

void FindBar::open() {
    QWidget *focus = QApplication::focusWidget();
    if (focus && !isAncestorOf(focus)) m_returnFocus = focus;
    show();
    raise();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void FindBar::close() {
    m_pause->stop();
    hide();
    if (m_returnFocus) m_returnFocus->setFocus(Qt::OtherFocusReason);
}

void FindBar::search() {
    m_pause->stop();
    m_query = m_field->text();
    m_results->clear();
    m_hits.clear();
    if (m_query.trimmed().isEmpty()) {
        m_count->clear();
        return;
    }
    if (const QString notice = m_waitNotice ? m_waitNotice() : QString(); !notice.isEmpty()) {
        m_count->setText(notice);
        return;
    }
    try {
        m_hits = m_search(m_query);
    } catch (const StoreError &e) {
        m_count->setText(QStringLiteral("搜索失败：%1").arg(e.message()));
        return;
    }
    m_count->setText(m_hits.empty() ? QStringLiteral("没有找到")
                                    : QStringLiteral("找到 %1 处").arg(m_hits.size()));
    const size_t shown = std::min(m_hits.size(), size_t(ShownResults));
    for (size_t i = 0; i < shown; ++i) {
        const SearchHit &hit = m_hits[i];
        const NoteSearch::Snippet s = NoteSearch::snippet(hit);
        const QString html =
            QStringLiteral("<span style=\"color:#606060\">%1</span><br>%2<span "
                           "style=\"background-color:#ffe060\">%3</span>%4")
                .arg(escaped(NoteSearch::placeName(hit.note.place)), escaped(s.text.left(s.start)),
                     escaped(s.text.mid(s.start, s.length)),
                     escaped(s.text.mid(s.start + s.length)));
        auto *item = new QListWidgetItem(m_results);
        item->setData(Qt::AccessibleTextRole,
                      NoteSearch::placeName(hit.note.place) + QLatin1Char(' ') + s.text);
        item->setToolTip(NoteSearch::placeName(hit.note.place));
        auto *label = new QLabel(html);
        label->setTextFormat(Qt::RichText);
        label->setContentsMargins(3, 2, 3, 2);
        item->setSizeHint(label->sizeHint());
        m_results->setItemWidget(item, label);
    }
    if (m_results->count() > 0) m_results->setCurrentRow(0);
}

void FindBar::activateRow(int row) {
    if (row < 0 || size_t(row) >= m_hits.size()) return;
    emit activated(m_hits[size_t(row)].note.place, m_query);
}

void FindBar::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

// The field's arrows move through the results and Enter takes the current one, so the hand
// stays on the keyboard; Escape closes from either.
bool FindBar::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (watched == m_field) {
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) {
            if (m_pause->isActive()) search();
            const int row = m_results->currentRow() + (key->key() == Qt::Key_Down ? 1 : -1);
            if (row >= 0 && row < m_results->count()) m_results->setCurrentRow(row);
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (m_pause->isActive() || m_query != m_field->text()) search();
            activateRow(m_results->currentRow());
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}
