#pragma once

#include "export/CalendarExport.h"

#include <QDialog>

class QComboBox;
class QSpinBox;

// The months of a calendar file: a first and a last year and month. OK stays enabled while the
// last month comes before the first; the range is then taken the other way round.
class MonthRangeDialog : public QDialog {
    Q_OBJECT
public:
    explicit MonthRangeDialog(const CalendarExport::Months &proposed, QWidget *parent = nullptr);

    CalendarExport::Months months() const;

    QSpinBox *fromYear() const { return m_fromYear; }
    QComboBox *fromMonth() const { return m_fromMonth; }
    QSpinBox *toYear() const { return m_toYear; }
    QComboBox *toMonth() const { return m_toMonth; }

private:
    QSpinBox *m_fromYear = nullptr;
    QComboBox *m_fromMonth = nullptr;
    QSpinBox *m_toYear = nullptr;
    QComboBox *m_toMonth = nullptr;
};
