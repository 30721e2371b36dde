#include "app/FormatBar.h"

#include "app/FontFaceBox.h"
#include "app/FramePictures.h"
#include "app/PageHost.h"
#include "app/PictureLabel.h"
#include "pages/CellCommands.h"
#include "pages/PageContext.h"
#include "pages/Prompts.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>

namespace {
// Where the bar sits in the top bar, and its parts inside it.
constexpr QPoint kOrigin(329, 80);
QRect inBar(int left, int top, int width, int height) {
    return QRect(left - kOrigin.x(), top - kOrigin.y(), width, height);
}
} // namespace

FormatBar::FormatBar(PageHost &pages, PageContext &context, const FramePictures &pictures,
                     QWidget *parent)
    : QWidget(parent), m_pages(pages), m_context(context) {
    setObjectName(QStringLiteral("formatBar"));
    m_colour = new PictureLabel(this);
    m_colour->setObjectName(QStringLiteral("img4"));
    m_colour->setPicture(pictures.image(QStringLiteral("colour")));
    m_colour->setCursor(Qt::PointingHandCursor);
    m_colour->setGeometry(inBar(329, 88, 20, 20));
    // The dialog opens once the press is over.
    connect(m_colour, &PictureLabel::pressed, this, &FormatBar::chooseColour, Qt::QueuedConnection);

    m_face = new FontFaceBox(this);
    m_face->setObjectName(QStringLiteral("ccbFont"));
    m_face->setGeometry(inBar(357, 83, 87, 22));
    connect(m_face, &QComboBox::activated, this, &FormatBar::applyFontFace);
    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("cbbFontSize"));
    m_size->setGeometry(inBar(448, 83, 42, 22));
    m_size->addItems({QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12"),
                      QStringLiteral("13"), QStringLiteral("14")});
    m_size->setCurrentIndex(0);
    connect(m_size, &QComboBox::activated, this, &FormatBar::applyFontSize);

    const auto markButton = [this](const char *name, const QString &caption, int pixels, int left) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFlat(true);
        b->setFocusPolicy(Qt::NoFocus);
        QFont font(QStringLiteral("Arial Black"));
        font.setPixelSize(pixels);
        b->setFont(font);
        b->setGeometry(inBar(left, 80, 23, 22));
        return b;
    };
    m_tick = markButton("btn3", QStringLiteral("√"), 14, 494);
    connect(m_tick, &QPushButton::clicked, this, &FormatBar::insertTick);
    m_cross = markButton("btn4", QStringLiteral("X"), 12, 518);
    connect(m_cross, &QPushButton::clicked, this, &FormatBar::insertCross);
    setFocusPolicy(Qt::NoFocus);
}

void FormatBar::setFontListsVisible(bool visible) {
    m_face->setVisible(visible);
    m_size->setVisible(visible);
}

void FormatBar::listFontFaces() {
    m_face->ensureFilled();
}

void FormatBar::insertTick() {
    insertMark(CellCommands::TickMark);
}

void FormatBar::insertCross() {
    insertMark(CellCommands::CrossMark);
}

void FormatBar::insertMark(QChar mark) {
    if (NotePage *page = m_pages.activePage()) CellCommands::insertMark(page->focusedCell(), mark);
}

void FormatBar::chooseColour() {
    const QPointer<NotePage> page = m_pages.activePage();
    if (!page) return;
    const QPointer<QWidget> cell = page->focusedCell();
    if (!cell || !CellCommands::takesColour(cell)) return;
    const QColor colour = m_context.prompts.chooseColour(m_lastColour);
    if (!colour.isValid()) return;
    m_lastColour = colour;
    // The page or its cell may have gone while the dialog was open (the program ending).
    if (page && cell) page->setCellColour(cell, colour);
}

void FormatBar::applyFontFace() {
    applyFontChoice(true);
}

void FormatBar::applyFontSize() {
    applyFontChoice(false);
}

void FormatBar::applyFontChoice(bool faceChosen) {
    NotePage *page = m_pages.activePage();
    if (!page) return;
    const FontTarget target = page->fontTarget();
    if (!target.box) return;
    const QString face = faceChosen || target.bothAttributes ? m_face->currentText() : QString();
    const int points = !faceChosen || target.bothAttributes ? m_size->currentText().toInt() : 0;
    CellCommands::applyFont(*target.box, m_context.lastSelection, face, points);
}
