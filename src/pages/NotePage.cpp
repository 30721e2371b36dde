#include "pages/NotePage.h"

#include "pages/CellCommands.h"

#include <QTextEdit>

NotePage::NotePage(std::unique_ptr<NoteDocument> document, QWidget *parent)
    : QWidget(parent), m_document(std::move(document)),
      m_dateSource([] { return QDate::currentDate(); }) {
    // Cells that were never loaded take no typing: nothing typed there could be saved.
    setEnabled(false);
    connect(m_document.get(), &NoteDocument::loaded, this, [this] {
        if (!m_enabledByLoad) {
            m_enabledByLoad = true;
            setEnabled(true);
            if (QWidget *side = sidePanel()) side->setEnabled(true);
        }
        applyReadOnly(m_document->isReadOnly());
    });
    connect(m_document.get(), &NoteDocument::readOnlyChanged, this, &NotePage::applyReadOnly);
}

NotePage::~NotePage() {
    // The cells show the document's text: they go before it.
    m_document->disconnect(this);
    const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
}

void NotePage::setCellColour(QWidget *cell, const QColor &colour) {
    if (auto *box = qobject_cast<QTextEdit *>(cell)) CellCommands::colourSelection(*box, colour);
}

void NotePage::setDateSource(DateSource source) {
    m_dateSource = std::move(source);
}

QDate NotePage::pickerDate() const {
    return m_dateSource();
}

void NotePage::setActive(bool active) {
    m_active = active;
    activeChanged(active);
}

bool NotePage::load() {
    return m_document->load(pickerDate());
}

bool NotePage::open() {
    if (!m_document->saveIfModified()) return false;
    prepareOpen();
    return load();
}

void NotePage::firstShow() {
    layoutPage();
}

void NotePage::pickerDateChanged() {
    load();
}
