#include "export/MonthRangeDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The years an iCalendar date can hold.
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

QSpinBox *yearBox(int year, QWidget *parent) {
    auto *box = new QSpinBox(parent);
    box->setRange(kFirstYear, kLastYear);
    box->setSuffix(QStringLiteral(" 年"));
    box->setValue(year);
    return box;
}

QComboBox *monthBox(int month, QWidget *parent) {
    auto *box = new QComboBox(parent);
    for (int m = 1; m <= 12; ++m) box->addItem(QStringLiteral("%1 月").arg(m), m);
    box->setCurrentIndex(month - 1);
    return box;
}

QWidget *monthRow(QSpinBox *year, QComboBox *month, QWidget *parent) {
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(year);
    layout->addWidget(month);
    return row;
}

} // namespace

MonthRangeDialog::MonthRangeDialog(const CalendarExport::Months &proposed, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("dlgIcsMonths"));
    setWindowTitle(QStringLiteral("导出到日历文件"));
    m_fromYear = yearBox(proposed.first.year(), this);
    m_fromMonth = monthBox(proposed.first.month(), this);
    m_toYear = yearBox(proposed.last.year(), this);
    m_toMonth = monthBox(proposed.last.month(), this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("将这些月份的每日记事和日安排导出为日历文件（.ics）："), this));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("从："), monthRow(m_fromYear, m_fromMonth, this));
    form->addRow(QStringLiteral("到："), monthRow(m_toYear, m_toMonth, this));
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CalendarExport::Months MonthRangeDialog::months() const {
    return {QDate(m_fromYear->value(), m_fromMonth->currentData().toInt(), 1),
            QDate(m_toYear->value(), m_toMonth->currentData().toInt(), 1)};
}
