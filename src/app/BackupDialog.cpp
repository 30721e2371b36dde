#include "app/BackupDialog.h"

#include "platform/MessageBoxes.h"
#include "store/BackupChecker.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString kCaption = QStringLiteral("备份与恢复");

QString describe(const BackupInfo &b) {
    const QString date = b.date.toString(QStringLiteral("yyyy-MM-dd"));
    switch (b.kind) {
    case BackupInfo::Kind::Daily:
        break;
    case BackupInfo::Kind::BeforeRestore:
        return QStringLiteral("%1 %2 (恢复前的数据)")
            .arg(date, b.written.toString(QStringLiteral("HH:mm:ss")));
    case BackupInfo::Kind::Pinned:
        return QStringLiteral("%1 (长期保留)").arg(date);
    }
    return date;
}

// A copy changed under the same name (a newer copy of the day) is checked again.
QString verdictKey(const BackupInfo &b) {
    return QStringLiteral("%1\n%2\n%3").arg(b.file).arg(b.written.toMSecsSinceEpoch()).arg(b.size);
}
} // namespace

BackupDialog::BackupDialog(BackupManager manager, Hooks hooks, QWidget *parent)
    : QDialog(parent), m_manager(std::move(manager)), m_hooks(std::move(hooks)) {
    if (!m_hooks.confirm)
        m_hooks.confirm = [this](const QString &question) {
            return QMessageBox::question(this, kCaption, question) == QMessageBox::Yes;
        };
    if (!m_hooks.message)
        m_hooks.message = [this](const QString &text) {
            MessageBoxes::information(this, kCaption, text);
        };
    if (!m_hooks.today) m_hooks.today = [] { return QDate::currentDate(); };
    if (!m_hooks.now) m_hooks.now = [] { return QDateTime::currentDateTime(); };

    setWindowTitle(kCaption);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral(
            "备份保存在 %1\n每天第一次启动时自动备份，保留最近 7 天、4 周和 12 个月的备份。")
            .arg(QDir::toNativeSeparators(m_manager.backupDir())),
        this));
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("日期"), QStringLiteral("大小")});
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    layout->addWidget(m_list);

    auto *buttons = new QDialogButtonBox(this);
    m_backupNow = buttons->addButton(QStringLiteral("立即备份"), QDialogButtonBox::ActionRole);
    m_restore = buttons->addButton(QStringLiteral("恢复…"), QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(m_backupNow, &QPushButton::clicked, this, &BackupDialog::backupNow);
    connect(m_restore, &QPushButton::clicked, this, &BackupDialog::restoreSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &BackupDialog::updateRestoreButton);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &BackupDialog::updateRestoreButton);
    m_checker = new BackupChecker(this);
    connect(m_checker, &BackupChecker::checked, this, &BackupDialog::copyChecked);
    resize(420, 320);
    refresh();
}

QString BackupDialog::sizeText(qint64 bytes) {
    // Chinese units ("字节") beside the Chinese dates, whatever the user's locale.
    return QLocale(QLocale::Chinese, QLocale::China)
        .formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

void BackupDialog::refresh() {
    m_checker->stop();
    m_shown = m_manager.backups();
    m_list->clear();
    QStringList unchecked;
    for (int row = 0; row < m_shown.size(); ++row) {
        const BackupInfo &b = m_shown[row];
        m_list->addTopLevelItem(new QTreeWidgetItem({describe(b), sizeText(b.size)}));
        if (m_problems.contains(verdictKey(b)))
            showVerdict(row);
        else
            unchecked << b.file;
    }
    if (!m_shown.isEmpty()) m_list->setCurrentItem(m_list->topLevelItem(0));
    updateRestoreButton();
    if (!unchecked.isEmpty()) m_checker->check(unchecked);
}

void BackupDialog::copyChecked(const QString &file, const QString &problem) {
    for (int row = 0; row < m_shown.size(); ++row) {
        if (m_shown[row].file != file) continue;
        m_problems.insert(verdictKey(m_shown[row]), problem);
        showVerdict(row);
    }
    updateRestoreButton();
}

void BackupDialog::showVerdict(int row) {
    if (!isDamaged(row)) return;
    QTreeWidgetItem *item = m_list->topLevelItem(row);
    item->setText(0, describe(m_shown[row]) + QStringLiteral("（已损坏）"));
    const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
    for (int column = 0; column < item->columnCount(); ++column) {
        item->setForeground(column, grey);
        item->setToolTip(column, m_problems.value(verdictKey(m_shown[row])));
    }
}

bool BackupDialog::isDamaged(int row) const {
    return row >= 0 && row < m_shown.size() &&
           !m_problems.value(verdictKey(m_shown[row])).isEmpty();
}

void BackupDialog::updateRestoreButton() {
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    m_restore->setEnabled(row >= 0 && row < m_shown.size() && !isDamaged(row) &&
                          !m_list->selectedItems().isEmpty());
}

void BackupDialog::backupNow() {
    try {
        m_manager.backupNow(m_hooks.today());
    } catch (const StoreError &e) {
        m_hooks.message(QStringLiteral("备份失败: %1").arg(e.message()));
    }
    refresh();
}

void BackupDialog::restoreSelected() {
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0 || row >= m_shown.size() || isDamaged(row)) return;
    const BackupInfo chosen = m_shown[row];
    if (!m_hooks.confirm(
            QStringLiteral("用 %1 的备份替换现在的全部笔记吗？\n现在的数据会先另存为一份备份，"
                           "需要时可以再恢复回来。")
                .arg(describe(chosen))))
        return;
    if (m_hooks.releaseDatabase && !m_hooks.releaseDatabase()) return;
    QString failure;
    try {
        m_manager.restore(chosen, m_hooks.now());
    } catch (const StoreError &e) {
        failure = e.message();
    }
    if (m_hooks.reopenDatabase) m_hooks.reopenDatabase();
    refresh();
    m_hooks.message(failure.isEmpty() ? QStringLiteral("已恢复 %1 的备份。").arg(describe(chosen))
                                      : QStringLiteral("恢复失败: %1").arg(failure));
}
