#pragma once

#include "ScratchDocument.h"
#include "pages/NotePage.h"

#include <QLineEdit>
#include <QVBoxLayout>

// A page showing a ScratchDocument in one line edit, added to the main window by one row.
class ScratchPage : public NotePage {
    Q_OBJECT
public:
    explicit ScratchPage(PageContext &context, QWidget *parent = nullptr)
        : NotePage(std::make_unique<ScratchDocument>(context), parent),
          m_line(new QLineEdit(this)) {
        m_line->setObjectName(QStringLiteral("scratchLine"));
        (new QVBoxLayout(this))->addWidget(m_line);
        connect(m_line, &QLineEdit::textEdited, this,
                [this](const QString &text) { scratch().setText(text); });
        connect(document(), &NoteDocument::loaded, this,
                [this] { m_line->setText(scratch().text()); });
        connect(m_line, &QLineEdit::editingFinished, this, [this] { document()->save(); });
    }

    ScratchDocument &scratch() const { return static_cast<ScratchDocument &>(*document()); }
    QLineEdit *line() const { return m_line; }

    SideControls sideControls() const override { return {false, false, false}; }
    void layoutPage() override {}

protected:
    void applyReadOnly(bool readOnly) override { m_line->setReadOnly(readOnly); }

private:
    QLineEdit *m_line;
};
