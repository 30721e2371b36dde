#include "app/NotesSession.h"

#include "pages/MemoDocument.h"
#include "pages/NoteDocument.h"
#include "pages/Prompts.h"
#include "pages/RecoveryFile.h"
#include "richtext/RichText.h"
#include "store/DataFolderLock.h"
#include "store/DatabaseCheck.h"
#include "store/StoreError.h"
#include "store/StoreUpgrade.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {
// The search index takes saved notes once typing has paused, a batch per turn of the event loop
// (some 20 ms each), so that the window never waits long for it.
constexpr int IndexDelayMs = 1500;
constexpr int IndexBatchRows = 100;
} // namespace

NotesSession::NotesSession(const AppPaths &paths, Prompts &prompts, QObject *parent)
    : QObject(parent), m_paths(paths),
      m_prompts(prompts), m_context{m_store, m_saving, m_prompts, m_lastSelection} {
    // The store keeps a plain copy of every rich-text note for the search.
    m_store.setPlainText(&richtext::plainText);
    // Notes that an upgrade brings onto one cell are kept together in it.
    m_store.setNoteJoin(&richtext::joined);
    // Told after every save that changed a note, and when the file opens with notes waiting.
    m_indexTimer.setSingleShot(true);
    connect(&m_indexTimer, &QTimer::timeout, this, &NotesSession::updateTextIndex);
    m_store.setIndexPending([this] { m_indexTimer.start(IndexDelayMs); });
}

NotesSession::~NotesSession() {
    stopSaving();
    // An upgrade still running is stopped, rolled back; its connection closes last, so SQLite
    // takes its log away.
    if (m_upgrade) {
        m_upgrade->cancel();
        m_store.close();
        m_upgrade.reset();
    }
}

void NotesSession::stopSaving() {
    m_saving.close();
    m_closing = true;
}

void NotesSession::openStore(FileCheck check) {
    m_folderLock = std::make_unique<DataFolderLock>(m_paths.db3Dir());
    // Another program that holds the folder checks the file itself; this one only reads it.
    if (check == FileCheck::BeforeWrites && QFileInfo(m_paths.databaseFile()).isFile() &&
        m_folderLock->state() != DataFolderLock::State::HeldElsewhere) {
        m_check = std::make_unique<DatabaseCheck>(m_paths.databaseFile());
        connect(m_check.get(), &DatabaseCheck::finished, this, [this] { settleCheck(true); });
        // A file that cannot even be read this way has the verdict waited for.
        if (!openForReading()) settleCheck(true);
    } else {
        openForWriting();
    }
    announceRecoveryFiles();
}

// Read-only until the check has passed: a writable connection would fold its log into the file
// when it closes, and the upgrade of an older file writes too.
bool NotesSession::openForReading() {
    try {
        m_store.open(m_paths.databaseFile(), NoteStore::OpenMode::ReadOnly);
        return m_store.isComplete();
    } catch (const StoreError &) {
        return false; // the check, or the writable open after it, tells why
    }
}

void NotesSession::settleCheck(bool mayAsk) {
    if (!m_check) return;
    const DatabaseCheck::Verdict verdict = m_check->verdict();
    // This may run from the check's own signal.
    m_check.release()->deleteLater();
    if (!verdict.damaged) {
        openForWriting();
        if (m_started) openSaving();
        return;
    }
    m_damage = verdict.problem;
    m_store.close();
    applyReadOnly();
    if (mayAsk) emit damageFound(m_damage);
}

void NotesSession::replaceDamaged(const std::function<void()> &replace) {
    if (!unsavedCells().isEmpty()) {
        QString path, error;
        if (RecoveryFile::write(recoveryFolders(), unsavedCells(), m_paths.databaseFile(), path,
                                error))
            m_prompts.showError(
                QStringLiteral("数据库检查完成之前输入的笔记没有保存到数据库，已写入：\n%1\n"
                               "请打开该文件，把需要的内容抄回记事中。")
                    .arg(path));
        else
            m_prompts.showError(QStringLiteral("无法写入恢复文件：%1").arg(error));
        for (NoteDocument *document : m_documents)
            if (document) document->discardChanges();
        if (m_memo) m_memo->discardPending();
    }
    m_store.close();
    replace();
    m_damage.clear();
    openForWriting();
    if (!m_started) return; // the first show loads the page
    openSaving();
    emit resumed();
}

void NotesSession::reconnect() {
    // Neither a damaged file nor one still being checked or upgraded is opened for writing here.
    if (m_closing || !m_folderLock || m_check || m_upgrade || isDamaged()) return;
    openOrReconnect(true);
}

bool NotesSession::isHeldElsewhere() const {
    return m_folderLock && m_folderLock->state() == DataFolderLock::State::HeldElsewhere;
}

void NotesSession::openOrReconnect(bool again) {
    const bool elsewhere = isHeldElsewhere();
    QString notice;
    try {
        if (again)
            m_store.reconnect();
        else
            m_store.open(m_paths.databaseFile(), elsewhere ? NoteStore::OpenMode::ReadOnly
                                                           : NoteStore::OpenMode::OpenExisting);
        QStringList lines;
        if (elsewhere)
            lines << QStringLiteral("笔记文件夹 %1 已被另一个正在运行的本程序打开（也许在另一个"
                                    "会话中）。本窗口只能查看笔记，修改不会被保存。")
                         .arg(m_paths.db3Dir());
        else if (m_store.isReadOnly())
            lines << QStringLiteral(
                         "数据库 %1 不能写入（%2）。笔记以只读方式打开，修改不会被保存。")
                         .arg(m_store.databaseFile(), m_store.readOnlyReason());
        lines << m_store.shapeProblems();
        notice = lines.join(QLatin1Char('\n'));
    } catch (const StoreError &e) {
        // The real cause and the path, once; the pages stay quiet about a store that is closed.
        notice = e.message();
    }
    applyReadOnly();
    showStoreNotice(notice);
}

void NotesSession::showStoreNotice(const QString &notice) {
    if (notice == m_storeNotice) return;
    m_storeNotice = notice;
    if (!notice.isEmpty()) m_prompts.showError(notice);
}

void NotesSession::openForWriting() {
    if (!startUpgrade()) openOrReconnect(false);
}

// A file the writable open would have to bring up to date (an older version, a missing or stale
// search index: seconds for decades of notes) is upgraded on a thread of its own, and read
// meanwhile. False when there is nothing to upgrade or it cannot be done from here (another
// program holds the folder, the file cannot be written or read): the usual open tells why.
bool NotesSession::startUpgrade() {
    if (m_upgrade) return true;
    const QString file = m_paths.databaseFile();
    if (!m_folderLock || isHeldElsewhere() || !QFileInfo(file).isFile() ||
        ::access(QFile::encodeName(file).constData(), W_OK) != 0)
        return false;
    // The file is read meanwhile through this open; after the check it is open so already.
    try {
        if (!m_store.isOpen() || !m_store.isReadOnly())
            m_store.open(file, NoteStore::OpenMode::ReadOnly);
        if (!m_store.needsUpgrade()) return false;
    } catch (const StoreError &) {
        return false;
    }
    m_upgrade = std::make_unique<StoreUpgrade>(file, m_store.plainText(), m_store.noteJoin());
    connect(m_upgrade.get(), &StoreUpgrade::progress, this, &NotesSession::upgradeProgress);
    connect(m_upgrade.get(), &StoreUpgrade::finished, this, [this] { settleUpgrade(true); });
    m_upgrade->start();
    emit upgradeStarted();
    applyReadOnly();
    // A file that lacks tables cannot be read until the upgrade has added them.
    if (!m_store.isComplete()) settleUpgrade(true);
    return true;
}

// Waits for the upgrade when it still runs. Done: the file is opened for writing and what waited
// is written. Failed: read-only, and said (`mayTell`), as after a failed writable open.
// Cancelled: the session ends; the file is as it was.
void NotesSession::settleUpgrade(bool mayTell) {
    if (!m_upgrade) return;
    const StoreUpgrade::Result result = m_upgrade->wait();
    const QString error = m_upgrade->error();
    // This may run from the upgrade's own signal; later ones of this upgrade are not wanted.
    m_upgrade->disconnect(this);
    m_upgrade.release()->deleteLater();
    emit upgradeFinished();
    if (result == StoreUpgrade::Result::Cancelled) return;
    if (result == StoreUpgrade::Result::Done) {
        openOrReconnect(false);
    } else {
        QString notice = QStringLiteral("数据库 %1 未能升级到本版本的格式（%2）。")
                             .arg(m_paths.databaseFile(), error);
        try {
            m_store.open(m_paths.databaseFile(), NoteStore::OpenMode::ReadOnly);
            notice += QStringLiteral("笔记以只读方式打开，修改不会被保存。");
        } catch (const StoreError &e) {
            notice += QLatin1Char('\n') + e.message();
        }
        applyReadOnly();
        if (!mayTell) return;
        showStoreNotice(notice);
    }
    if (m_started && !isDamaged()) openSaving();
}

void NotesSession::applyReadOnly() {
    const bool readOnly = isReadOnly();
    for (NoteDocument *document : m_documents)
        if (document) document->setReadOnly(readOnly);
    if (m_memo) m_memo->setReadOnly(readOnly);
}

bool NotesSession::isReadOnly() const {
    if (m_check || m_upgrade) return false;
    return !m_store.isOpen() || m_store.isReadOnly();
}

void NotesSession::start() {
    m_started = true;
    if (!m_check && !isDamaged()) openSaving();
}

void NotesSession::openSaving() {
    // An upgrade still running opens saving when it is done.
    if (m_closing || m_upgrade) return;
    const bool first = !m_saving.isOpen() && !m_ready;
    m_saving.open();
    // What was typed while the check or the upgrade ran is written now, with the usual message
    // on failure.
    saveActive();
    if (m_memo) m_memo->writePending(true);
    if (first) {
        m_ready = true;
        emit ready();
    }
}

bool NotesSession::suspend() {
    settleCheck(false);
    settleUpgrade(true);
    if (isDamaged()) return false;
    if (m_started && !saveActive()) return false;
    m_saving.close();
    m_store.close();
    return true;
}

void NotesSession::resume() {
    // A restored copy of an older version is upgraded off this thread, and read meanwhile.
    if (!startUpgrade()) {
        try {
            m_store.open(m_paths.databaseFile(), isHeldElsewhere()
                                                     ? NoteStore::OpenMode::ReadOnly
                                                     : NoteStore::OpenMode::OpenExisting);
        } catch (const StoreError &e) {
            m_prompts.showError(e.message());
        }
    }
    applyReadOnly();
    if (!m_started) return; // the first show loads the page
    // Saving opens when the upgrade is done.
    if (!m_upgrade) m_saving.open();
    emit resumed();
}

void NotesSession::addDocument(NoteDocument *document) {
    m_documents.emplace_back(document);
    // Until the store opens (openStore() tells every document), a document takes no typing.
    document->setReadOnly(isReadOnly());
}

void NotesSession::setActiveDocument(NoteDocument *document) {
    m_active = document;
}

void NotesSession::setMemo(MemoDocument *memo) {
    m_memo = memo;
    m_memo->setReadOnly(isReadOnly());
}

bool NotesSession::saveActive(bool report) {
    return !m_active || m_active->saveIfModified(report);
}

bool NotesSession::close() {
    if (m_closing) return true;
    // A close while the check runs waits for its verdict, which may bring the damage question;
    // one while the upgrade runs waits for its end, which may bring its failure's notice.
    settleCheck(true);
    settleUpgrade(true);
    if (m_closing) return true;
    // One question instead of the documents' own failure boxes; memo lines whose write failed
    // while typing get a last chance too.
    const bool memoWritten = !m_memo || m_memo->writePending(false);
    // While saving is shut (a damaged file nobody chose a replacement for) a save writes
    // nothing: text that is not in the store must still go somewhere.
    const bool held = !m_saving.isOpen() && !unsavedCells().isEmpty();
    if (memoWritten && saveActive(false) && !held) {
        finish();
        return true;
    }
    const bool pageFailed = m_active && m_active->lastSaveFailed();
    const QString cause = held && isDamaged() ? QStringLiteral("笔记数据库已损坏，没有写入")
                          : !memoWritten && !pageFailed ? QStringLiteral("备忘录未能写入数据库")
                          : pageFailed                  ? m_active->lastSaveError()
                                                        : QString();
    const QString question =
        QStringLiteral(
            "笔记未能保存：%1\n\n选“退出”，未保存的笔记会先写入一个恢复文件（在 %2 中）；"
            "选“保留窗口”，笔记留在窗口中，可以稍后再保存。")
            .arg(cause.isEmpty() ? QStringLiteral("保存尚未完成") : cause,
                 recoveryFolders().value(0));
    if (!m_prompts.confirmQuit(question)) return false;
    QString error;
    if (!writeRecoveryFile(error)) {
        m_prompts.showError(
            QStringLiteral("无法写入恢复文件，窗口保持打开，笔记仍在窗口中：\n%1").arg(error));
        return false;
    }
    finish();
    return true;
}

void NotesSession::terminate() {
    if (m_closing) return;
    // A check still running is waited for (no question now): a sound file takes the saves.
    settleCheck(false);
    // An upgrade still running is stopped instead (rolled back, the file as it was): what was
    // typed meanwhile goes to the recovery file below. Its connection closes last, so SQLite
    // takes the log of the rolled-back work away with it.
    if (m_upgrade) {
        m_upgrade->cancel();
        m_store.close();
    }
    settleUpgrade(false);
    // A save still waiting in its failure box is not a success: its text goes to the file.
    if (m_memo) m_memo->writePending(false);
    const bool saved = saveActive(false);
    if (!saved || !unsavedCells().isEmpty()) {
        QString error;
        if (!writeRecoveryFile(error))
            qWarning("%s", qPrintable(QStringLiteral("无法写入恢复文件：%1").arg(error)));
    }
    finish();
}

void NotesSession::quitNow() {
    finish();
}

bool NotesSession::writeRecoveryFile(QString &error) const {
    QString path;
    return RecoveryFile::write(recoveryFolders(), unsavedCells(), m_store.databaseFile(), path,
                               error);
}

void NotesSession::finish() {
    m_saving.close();
    m_closing = true;
    emit finished();
}

void NotesSession::updateTextIndex() {
    // Nothing while the program ends, a restore has the file (the store is closed) or the file
    // is only read; before the first show the index waits for the window.
    if (m_closing || !m_store.isOpen() || m_store.isReadOnly()) return;
    if (!m_saving.isOpen()) {
        m_indexTimer.start(IndexDelayMs);
        return;
    }
    try {
        if (m_store.updateTextIndex(IndexBatchRows)) m_indexTimer.start(0);
    } catch (const StoreError &e) {
        // The notes are saved and every search still finds them; the next save tries again.
        qWarning("%s", qPrintable(QStringLiteral("查找索引未能更新：%1").arg(e.message())));
    }
}

QList<UnsavedCell> NotesSession::unsavedCells() const {
    QList<UnsavedCell> cells;
    for (const NoteDocument *document : m_documents)
        if (document) cells << document->unsavedCells();
    if (m_memo) cells << m_memo->unsavedCells();
    return cells;
}

QStringList NotesSession::recoveryFolders() const {
    return {m_paths.db3Dir(), AppPaths::userDataRoot() + QStringLiteral("/recovery")};
}

void NotesSession::announceRecoveryFiles() {
    QStringList files;
    for (const QString &folder : recoveryFolders()) files << RecoveryFile::claim(folder);
    if (files.isEmpty()) return;
    m_prompts.showError(
        QStringLiteral(
            "上次结束时未能保存的笔记已写入：\n%1\n请打开该文件，把需要的内容抄回记事中。")
            .arg(files.join(QLatin1Char('\n'))));
}
