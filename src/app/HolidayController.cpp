#include "app/HolidayController.h"

#include "base/HolidayTable.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

HolidayController::HolidayController(QString shippedFile, QString userFile, QObject *parent)
    : QObject(parent), m_shippedFile(std::move(shippedFile)), m_userFile(std::move(userFile)),
      m_table(std::make_shared<const HolidayTable>()) {}

HolidayController::~HolidayController() = default;

void HolidayController::load() {
    m_loadError.clear();
    m_table = std::make_shared<const HolidayTable>(
        HolidayTable::load(m_shippedFile, m_userFile, &m_loadError));
    emit changed(m_table);
}

QString HolidayController::yearsText() const {
    const QList<int> years = m_table->years();
    if (years.isEmpty()) return QStringLiteral("无");
    QStringList ranges;
    for (int i = 0; i < years.size();) {
        int j = i;
        while (j + 1 < years.size() && years[j + 1] == years[j] + 1) ++j;
        ranges << (i == j ? QString::number(years[i])
                          : QStringLiteral("%1–%2").arg(years[i]).arg(years[j]));
        i = j + 1;
    }
    return ranges.join(QStringLiteral("、"));
}

bool HolidayController::importFile(const QString &path, QString *error) {
    if (!HolidayTable::importFile(path, m_userFile, error)) return false;
    load();
    return true;
}

void HolidayController::showDialog(QWidget *parent) {
    QString text = QStringLiteral("已有以下年份的法定节假日与调休安排：%1。\n\n"
                                  "新一年的安排公布后，可导入同样格式的列表（每行一天：日期、名称、"
                                  "1 放假或 0 调休上班，以制表符分隔），它补充或替换其中的整年。")
                       .arg(yearsText());
    if (!m_loadError.isEmpty()) text += QStringLiteral("\n\n") + m_loadError;
    QMessageBox box(QMessageBox::Information, QStringLiteral("节假日"), text, QMessageBox::NoButton,
                    parent);
    QPushButton *import = box.addButton(QStringLiteral("导入…"), QMessageBox::ActionRole);
    box.addButton(QStringLiteral("关闭"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() != import) return;
    const QString path =
        QFileDialog::getOpenFileName(parent, QStringLiteral("导入节假日列表"), QString(),
                                     QStringLiteral("节假日列表 (*.tsv *.txt);;所有文件 (*)"));
    if (path.isEmpty()) return;
    QString error;
    if (importFile(path, &error))
        QMessageBox::information(parent, QStringLiteral("节假日"),
                                 QStringLiteral("已导入。现有年份：%1。").arg(yearsText()));
    else
        QMessageBox::warning(parent, QStringLiteral("节假日"), error);
}
