#pragma once

#include "pages/AnnualNotesDocument.h"
#include "pages/NotePage.h"

#include <array>

class CellMenu;
class DayRichEdit;
class QFrame;
class QLabel;

// The annual notes page, showing an AnnualNotesDocument: on a white panel, one year as twelve
// rich-text boxes (January .. December, tab order 6 .. 17) in four columns and three rows under
// the labels "一月份" .. "十二月份", with three title strips, five vertical lines and a bottom line
// (places: YearPageLayout).
//
// The year is the picker's year at the load; the boxes are saved into the year they were loaded
// for (one row of YearJishi), when a box loses the focus and by the auto-save. A failed load or
// save shows the database's error text; the boxes keep their text.
class AnnualNotesPage : public NotePage {
    Q_OBJECT
public:
    static constexpr int FirstTabOrder = 6; // January; December is 17

    // `context` belongs to the notes session and must outlive the page.
    explicit AnnualNotesPage(PageContext &context, QWidget *parent = nullptr);
    ~AnnualNotesPage() override;

    AnnualNotesDocument *document() const {
        return static_cast<AnnualNotesDocument *>(NotePage::document());
    }

    // Picker shown and enabled, font lists shown, the memo list in the side panel.
    SideControls sideControls() const override;
    // Places the page's parts for the panel's current size.
    void layoutPage() override;
    // The focused month box.
    QWidget *focusedCell() const override;
    // The month box of the last selection record's tab order, with the chosen attribute only.
    FontTarget fontTarget() const override;

    // Box of month m (1..12).
    DayRichEdit *box(int month) const { return m_boxes[month - 1]; }
    QLabel *label(int month) const { return m_labels[month - 1]; }
    QWidget *titleStrip(int row) const { return m_strips[row]; }
    // Vertical line j (0..4) of the table.
    QFrame *line(int j) const { return m_lines[j]; }
    QFrame *bottomLine() const { return m_bottomLine; }
    // The context menu of the month boxes.
    CellMenu *cellMenu() const { return m_cellMenu; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Lays out and clears the last selection record.
    void prepareOpen() override;
    void applyReadOnly(bool readOnly) override;

private:
    void onBoxReleased(DayRichEdit *box, Qt::MouseButton button);

    std::array<QWidget *, 3> m_strips{};
    std::array<QFrame *, 5> m_lines{};
    QFrame *m_bottomLine = nullptr;
    std::array<QLabel *, 12> m_labels{};
    std::array<DayRichEdit *, 12> m_boxes{};
    CellMenu *m_cellMenu = nullptr;
};
