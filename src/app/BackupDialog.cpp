#include "app/BackupDialog.h"

#include "platform/MessageBoxes.h"

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
    return b.kind == BackupInfo::Kind::Daily
               ? date
               : QStringLiteral("%1 %2 (恢复前的数据)")
                     .arg(date, b.written.toString(QStringLiteral("HH:mm:ss")));
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
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_restore->setEnabled(!m_list->selectedItems().isEmpty()); });
    resize(420, 320);
    refresh();
}

QString BackupDialog::sizeText(qint64 bytes) {
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

void BackupDialog::refresh() {
    m_shown = m_manager.backups();
    m_list->clear();
    for (const BackupInfo &b : m_shown)
        m_list->addTopLevelItem(new QTreeWidgetItem({describe(b), sizeText(b.size)}));
    if (!m_shown.isEmpty()) m_list->setCurrentItem(m_list->topLevelItem(0));
    m_restore->setEnabled(!m_shown.isEmpty());
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
    if (row < 0 || row >= m_shown.size()) return;
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
