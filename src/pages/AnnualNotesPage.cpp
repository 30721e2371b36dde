#include "pages/AnnualNotesPage.h"

#include "pages/CellCommands.h"
#include "pages/CellMenu.h"
#include "pages/DayRichEdit.h"
#include "pages/LastSelection.h"
#include "pages/PageContext.h"
#include "pages/YearPageLayout.h"

#include <QFrame>
#include <QLabel>
#include <QResizeEvent>
#include <QTextDocument>

#include <algorithm>

namespace {
QFrame *blackLine(const QString &name, QWidget *parent) {
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, Qt::black);
    line->setPalette(pal);
    return line;
}

QRect clamped(const QRect &r) {
    return QRect(r.x(), r.y(), std::max(0, r.width()), std::max(0, r.height()));
}
} // namespace

AnnualNotesPage::AnnualNotesPage(PageContext &context, QWidget *parent)
    : NotePage(std::make_unique<AnnualNotesDocument>(context), parent) {
    setObjectName(QStringLiteral("pnl_year"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);

    // Children in the panel's order: strips, labels, lines, then the boxes.
    for (int r = 0; r < 3; ++r) {
        auto *strip = new QFrame(this);
        strip->setObjectName(QStringLiteral("imgtitle_year%1").arg(r + 1));
        strip->setStyleSheet(QStringLiteral(
            "QFrame { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f8fc,"
            " stop:0.5 #dde9f5, stop:1 #c9dbee); border-bottom: 1px solid #a6bcd4; }"));
        m_strips[r] = strip;
    }
    for (int m = 1; m <= 12; ++m) {
        auto *label = new QLabel(AnnualNotesDocument::monthCaption(m), this);
        label->setObjectName(QStringLiteral("lblMonth%1").arg(m));
        label->setFont(font);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_labels[m - 1] = label;
    }
    for (int j = 0; j < 5; ++j)
        m_lines[j] = blackLine(QStringLiteral("pnl_yearLine%1").arg(j), this);
    m_bottomLine = blackLine(QStringLiteral("pnl_buttonline"), this);

    m_cellMenu = new CellMenu(
        QStringLiteral("pmYearjishi"),
        {"MenuItem1", "MenuItem2", "MenuItem3", "MenuItem4", "MenuItem5", "MenuItem6", "MenuItem7"},
        [this] { return focusedCell(); }, this);
    for (int m = 1; m <= 12; ++m) {
        auto *box = new DayRichEdit(this);
        box->setObjectName(QStringLiteral("redt%1").arg(m));
        box->setDocument(document()->month(m));
        box->setFont(font);
        box->setTabNumber(FirstTabOrder + m - 1);
        box->setFrameShape(QFrame::NoFrame);
        box->setTabChangesFocus(true);
        connect(box, &DayRichEdit::focusLost, this, [this] { document()->save(); });
        connect(box, &DayRichEdit::mouseReleased, this,
                [this, box](Qt::MouseButton button) { onBoxReleased(box, button); });
        box->setCellMenu(m_cellMenu);
        // The record follows every selection change of the focused box, keyboard ones too.
        const auto follow = [this, box] {
            if (CellCommands::isFocused(box))
                this->context().lastSelection.record(box->textCursor(), box->tabNumber(), false);
        };
        connect(box, &QTextEdit::cursorPositionChanged, this, follow);
        connect(box, &QTextEdit::selectionChanged, this, follow);
        if (m > 1) setTabOrder(m_boxes[m - 2], box);
        m_boxes[m - 1] = box;
    }
    layoutPage();
}

AnnualNotesPage::~AnnualNotesPage() {
    // The boxes' focus loss while the widgets are torn down must not reach the page.
    for (DayRichEdit *box : m_boxes) box->disconnect(this);
}

SideControls AnnualNotesPage::sideControls() const {
    return {true, true, true};
}

void AnnualNotesPage::layoutPage() {
    const YearPageLayout layout(width(), height());
    for (int r = 0; r < 3; ++r)
        m_strips[r]->setGeometry(0, layout.stripTop(r), width(), YearPageLayout::StripHeight);
    for (int j = 0; j < 5; ++j) m_lines[j]->setGeometry(layout.lineLeft(j), 0, 1, height());
    m_bottomLine->setGeometry(0, height() - YearPageLayout::BottomLineHeight, width(),
                              YearPageLayout::BottomLineHeight);
    for (int m = 1; m <= 12; ++m) {
        m_labels[m - 1]->setGeometry(QRect(
            layout.labelPos(m), QSize(YearPageLayout::labelWidth(m), YearPageLayout::LabelHeight)));
        m_boxes[m - 1]->setGeometry(clamped(layout.boxRect(m)));
    }
}

void AnnualNotesPage::resizeEvent(QResizeEvent *event) {
    NotePage::resizeEvent(event);
    // A new place for everything; nothing is loaded or saved.
    layoutPage();
}

QWidget *AnnualNotesPage::focusedCell() const {
    for (DayRichEdit *box : m_boxes)
        if (CellCommands::isFocused(box)) return box;
    return nullptr;
}

FontTarget AnnualNotesPage::fontTarget() const {
    const LastSelection &selection = context().lastSelection;
    if (selection.isDayPlan) return {};
    for (DayRichEdit *box : m_boxes)
        if (box->tabNumber() == selection.tabOrder) return {box, false};
    return {};
}

void AnnualNotesPage::applyReadOnly(bool readOnly) {
    for (int m = 1; m <= AnnualNotesDocument::Months; ++m)
        m_boxes[m - 1]->setReadOnly(readOnly || document()->isTooLarge(m));
}

void AnnualNotesPage::prepareOpen() {
    layoutPage();
    context().lastSelection.clear();
}

void AnnualNotesPage::onBoxReleased(DayRichEdit *box, Qt::MouseButton button) {
    if (button != Qt::LeftButton && button != Qt::RightButton) return;
    context().lastSelection.record(box->textCursor(), box->tabNumber(), false);
}
