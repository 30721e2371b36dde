#include "../TestMounts.h"
#include "PageTestSupport.h"
#include "RecordingPrompts.h"
#include "ScratchDocument.h"
#include "UpgradeFixtures.h"
#include "app/NotesSession.h"
#include "store/AppPaths.h"
#include "store/BackupManager.h"
#include "store/NoteSearch.h"
#include "store/NoteStore.h"

#include <QCryptographicHash>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

namespace {
const QDate kMay(2026, 5, 14);

// A data folder with a fresh database and a session on it, with one document loaded for May.
struct Harness {
    QTemporaryDir dir;
    AppPaths paths{dir.path(), QStringLiteral(KESTROVA_SOURCE_DIR)};
    RecordingPrompts prompts;
    std::unique_ptr<NotesSession> session;
    std::unique_ptr<ScratchDocument> document;

    Harness() {
        // Recovery files may also go to the per-user folder: never the real user's.
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("xdg")));
        paths.ensureLayout();
    }

    // `prepare` sees the session before its store opens.
    NotesSession &started(NotesSession::FileCheck check = NotesSession::FileCheck::None,
                          const std::function<void(NotesSession &)> &prepare = {}) {
        session = std::make_unique<NotesSession>(paths, prompts);
        if (prepare) prepare(*session);
        session->openStore(check);
        document = std::make_unique<ScratchDocument>(session->context());
        session->addDocument(document.get());
        session->setActiveDocument(document.get());
        session->start();
        document->load(kMay);
        return *session;
    }

    QString stored(const QDate &date) const {
        return PageTestSupport::queryDatabase(
                   paths.databaseFile(),
                   QStringLiteral("SELECT line1 FROM edtText WHERE edtYearMonth = '%1'")
                       .arg(ScratchDocument::keyFor(date)))
            .toString();
    }

    void breakSaving() const {
        PageTestSupport::alterDatabase(paths.databaseFile(), QStringLiteral("DROP TABLE edtText"));
    }

    QStringList recoveryFiles() const {
        return QDir(paths.db3Dir()).entryList({QStringLiteral("unsaved-*")}, QDir::Files);
    }

    // Saved notes the search index has not taken in yet.
    int pendingNotes() const {
        return PageTestSupport::queryDatabase(
                   paths.databaseFile(), QStringLiteral("SELECT count(*) FROM NoteTextPending"))
            .toInt();
    }
};
} // namespace

class TestNotesSession : public QObject {
    Q_OBJECT
private slots:
    void nothingIsSavedBeforeTheStart();
    void closeSavesAndFinishes();
    void closeWhileSavesFail_data();
    void closeWhileSavesFail();
    void terminateKeepsTheUnsavedTextInARecoveryFile();
    void suspendAndResumeAroundARestore();
    void suspendKeepsTheStoreWhenTheSaveFails();
    void secondSessionOnTheFolderOnlyReads();
    void recoveryFilesOfAnEarlierRunAreTold();
    void savesWaitForTheCheck();
    void damagedFileIsNeitherReadNorWritten();
    void replacingADamagedFileKeepsTheTypedText();
    void olderFileShowsAtOnceAndIsWrittenAfterItsUpgrade_data();
    void olderFileShowsAtOnceAndIsWrittenAfterItsUpgrade();
    void restoredOlderBackupIsUpgradedWhileTheEventLoopTurns();
    void closeDuringTheUpgradeWaitsForIt();
    void terminateCancelsTheUpgradeAndKeepsTheTypedText();
    void failedUpgradeLeavesTheNotesReadOnlyAndSaysWhy();
    void savedNotesReachTheSearchIndexWhenIdle_data();
    void savedNotesReachTheSearchIndexWhenIdle();
};

namespace {
// Months of notes in the general sheet's table, so that a few damaged pages in the middle
// of the file leave its header and schema readable.
void fillAndDamage(const AppPaths &paths) {
    NoteStore store;
    store.open(paths.databaseFile());
    SheetNotes notes;
    for (QString &text : notes.texts) text = QString(300, QChar(0x7b14));
    for (int m = 0; m < 120; ++m)
        store.writeSheet(NoteStore::Sheet::General, QString::number(m), notes);
    store.close();
    BackupManager::checkpoint(paths.databaseFile());
    QFile file(paths.databaseFile());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(file.size() / 2 / 4096 * 4096));
    QVERIFY(file.write(QByteArray(4 * 4096, '\x5a')) == 4 * 4096);
}

const QString kOlderLine = QStringLiteral("written by an older build");
const QString kOlderCell = QStringLiteral("older meeting notes");

// A database as a build before the search index left it (version 1): May's scratch line and a
// rich-text cell of May.
void makeOlderDatabase(const QString &file) {
    {
        NoteStore store;
        store.setPlainText(&richtext::plainText);
        store.open(file, NoteStore::OpenMode::CreateIfMissing);
        SheetNotes notes;
        notes.texts[0] = kOlderLine;
        store.writeSheet(NoteStore::Sheet::General, ScratchDocument::keyFor(kMay), notes);
        MonthCells cells;
        cells[20] =
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 SimSun;}}\\f0 " + kOlderCell.toLatin1() + "\\par}";
        store.writeMonth(NoteStore::yearMonthKey(kMay), cells);
    }
    QCOMPARE(testfiles::makeVersionOne(file), QString());
}

// The session's note conversion is held at the first note the upgrade converts.
std::function<void(NotesSession &)> converting(testfiles::HeldPlainText &held) {
    return [&held](NotesSession &session) { session.store().setPlainText(held.function()); };
}

int versionOf(const QString &file) {
    NoteStore store;
    store.open(file, NoteStore::OpenMode::ReadOnly);
    return store.userVersion();
}

QByteArray hashOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}
} // namespace

// The window and the notes show while the file is checked; what is typed meanwhile is written
// as soon as the check has passed, without a word.
void TestNotesSession::savesWaitForTheCheck() {
    Harness h;
    NotesSession &session = h.started(NotesSession::FileCheck::BeforeWrites);
    // The verdict comes through the event loop: it cannot have been taken yet.
    QVERIFY(session.isChecking());
    QVERIFY(!session.isReadOnly());
    QVERIFY(!h.document->isReadOnly());
    h.document->setText(QStringLiteral("typed while the file was checked"));
    QVERIFY(session.saveActive());
    QCOMPARE(h.stored(kMay), QString());
    QVERIFY(h.document->isModified());
    QSignalSpy ready(&session, &NotesSession::ready);
    QTRY_VERIFY(!session.isChecking());
    QCOMPARE(h.stored(kMay), QStringLiteral("typed while the file was checked"));
    QVERIFY(!h.document->isModified());
    QCOMPARE(ready.size(), 1);
    QVERIFY(session.saving().isOpen());
    QVERIFY(h.prompts.messages.isEmpty());
}

// A damaged file found after the notes showed: nothing is written into it, also not at the
// close, and the text typed meanwhile goes to a recovery file.
void TestNotesSession::damagedFileIsNeitherReadNorWritten() {
    Harness h;
    fillAndDamage(h.paths);
    const QByteArray damaged = hashOf(h.paths.databaseFile());
    NotesSession &session = h.started(NotesSession::FileCheck::BeforeWrites);
    QVERIFY(h.document->isLoaded());
    QSignalSpy found(&session, &NotesSession::damageFound);
    h.document->setText(QStringLiteral("typed before the verdict"));
    QTRY_COMPARE(found.size(), 1);
    QVERIFY(session.isDamaged());
    QVERIFY(!session.store().isOpen());
    QVERIFY(!session.saving().isOpen());
    QVERIFY(h.document->isReadOnly());
    session.reconnect(); // a date change does not open it either
    QVERIFY(!session.store().isOpen());
    h.prompts.quitAnswer = true;
    QVERIFY(session.close());
    QCOMPARE(h.prompts.questions.size(), 1);
    QCOMPARE(h.recoveryFiles().size(), 1);
    QCOMPARE(hashOf(h.paths.databaseFile()), damaged);
    QCOMPARE(QFileInfo(h.paths.databaseFile() + "-wal").size(), 0);
}

void TestNotesSession::replacingADamagedFileKeepsTheTypedText() {
    Harness h;
    fillAndDamage(h.paths);
    NotesSession &session = h.started(NotesSession::FileCheck::BeforeWrites);
    QSignalSpy resumed(&session, &NotesSession::resumed);
    h.document->setText(QStringLiteral("typed before the verdict"));
    QTRY_VERIFY(session.isDamaged());
    session.replaceDamaged([&] {
        QVERIFY(!session.store().isOpen());
        QVERIFY(QFile::remove(h.paths.databaseFile()));
        NoteStore fresh;
        fresh.open(h.paths.databaseFile(), NoteStore::OpenMode::CreateIfMissing);
    });
    QVERIFY(!session.isDamaged());
    QVERIFY(session.store().isOpen());
    QVERIFY(session.saving().isOpen());
    QCOMPARE(resumed.size(), 1);
    QCOMPARE(h.recoveryFiles().size(), 1);
    QCOMPARE(h.prompts.messages.size(), 1);
    QVERIFY(!h.document->isModified());
    QVERIFY(h.document->load(kMay));
    QCOMPARE(h.document->text(), QString());
}

void TestNotesSession::nothingIsSavedBeforeTheStart() {
    Harness h;
    NotesSession session(h.paths, h.prompts);
    session.openStore();
    ScratchDocument document(session.context());
    session.addDocument(&document);
    QVERIFY(document.load(kMay));
    document.setText(QStringLiteral("before the window showed"));
    QVERIFY(document.save()); // the gate is closed: success without a write
    QCOMPARE(h.stored(kMay), QString());
    session.start();
    QVERIFY(document.save());
    QCOMPARE(h.stored(kMay), QStringLiteral("before the window showed"));
    QVERIFY(h.prompts.messages.isEmpty());
}

void TestNotesSession::closeSavesAndFinishes() {
    Harness h;
    NotesSession &session = h.started();
    QSignalSpy finished(&session, &NotesSession::finished);
    h.document->setText(QStringLiteral("written at the close"));
    QVERIFY(session.close());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(h.stored(kMay), QStringLiteral("written at the close"));
    QVERIFY(session.isClosing());
    QVERIFY(!session.saving().isOpen());
    QVERIFY(h.prompts.questions.isEmpty());
    QVERIFY(session.close()); // once closing, a second close changes nothing
    QCOMPARE(finished.size(), 1);
}

void TestNotesSession::closeWhileSavesFail_data() {
    QTest::addColumn<bool>("quit");
    QTest::newRow("keep the window") << false;
    QTest::newRow("quit") << true;
}

// One question instead of the document's own failure box; keeping the window loses nothing,
// quitting writes the text to a recovery file first.
void TestNotesSession::closeWhileSavesFail() {
    QFETCH(bool, quit);
    Harness h;
    NotesSession &session = h.started();
    QSignalSpy finished(&session, &NotesSession::finished);
    h.document->setText(QStringLiteral("must not be lost"));
    h.breakSaving();
    h.prompts.quitAnswer = quit;
    QCOMPARE(session.close(), quit);
    QCOMPARE(h.prompts.questions.size(), 1);
    QVERIFY2(h.prompts.questions[0].contains(QStringLiteral("edtText")),
             qPrintable(h.prompts.questions[0]));
    QVERIFY(h.prompts.messages.isEmpty());
    QCOMPARE(finished.size(), quit ? 1 : 0);
    QCOMPARE(session.isClosing(), quit);
    QCOMPARE(session.saving().isOpen(), !quit);
    QCOMPARE(h.recoveryFiles().size(), quit ? 1 : 0);
    QCOMPARE(h.document->text(), QStringLiteral("must not be lost"));
    if (quit) {
        QFile file(QDir(h.paths.db3Dir()).filePath(h.recoveryFiles().at(0)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(file.readAll()).contains(QStringLiteral("must not be lost")));
    }
}

void TestNotesSession::terminateKeepsTheUnsavedTextInARecoveryFile() {
    Harness h;
    NotesSession &session = h.started();
    QSignalSpy finished(&session, &NotesSession::finished);
    h.document->setText(QStringLiteral("typed before the kill"));
    h.breakSaving();
    session.terminate();
    QCOMPARE(finished.size(), 1);
    QVERIFY(h.prompts.questions.isEmpty());
    QVERIFY(h.prompts.messages.isEmpty());
    QCOMPARE(h.recoveryFiles().size(), 1);
}

void TestNotesSession::suspendAndResumeAroundARestore() {
    Harness h;
    NotesSession &session = h.started();
    QSignalSpy resumed(&session, &NotesSession::resumed);
    h.document->setText(QStringLiteral("saved before the restore"));
    QVERIFY(session.suspend());
    QCOMPARE(h.stored(kMay), QStringLiteral("saved before the restore"));
    QVERIFY(!session.store().isOpen());
    QVERIFY(!session.saving().isOpen());
    h.document->setText(QStringLiteral("not while the file is replaced"));
    QVERIFY(h.document->save());
    session.resume();
    QVERIFY(session.store().isOpen());
    QVERIFY(session.saving().isOpen());
    QCOMPARE(resumed.size(), 1);
    QCOMPARE(h.stored(kMay), QStringLiteral("saved before the restore"));
}

void TestNotesSession::suspendKeepsTheStoreWhenTheSaveFails() {
    Harness h;
    NotesSession &session = h.started();
    h.document->setText(QStringLiteral("unsaved"));
    h.breakSaving();
    QVERIFY(!session.suspend());
    QVERIFY(session.store().isOpen());
    QVERIFY(session.saving().isOpen());
    QCOMPARE(h.prompts.messages.size(), 1);
}

// Two programs on one data folder: the second reads, says so once, and writes nothing.
void TestNotesSession::secondSessionOnTheFolderOnlyReads() {
    Harness h;
    h.started();
    h.document->setText(QStringLiteral("from the first"));
    QVERIFY(h.document->save());
    RecordingPrompts prompts;
    NotesSession second(h.paths, prompts);
    second.openStore();
    QVERIFY(second.isReadOnly());
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY2(prompts.messages[0].contains(h.paths.db3Dir()), qPrintable(prompts.messages[0]));
    ScratchDocument document(second.context());
    second.addDocument(&document);
    QVERIFY(document.isReadOnly());
    QVERIFY(document.load(kMay));
    QCOMPARE(document.text(), QStringLiteral("from the first"));
    // A date change reconnects: still read-only, and nothing said again.
    second.reconnect();
    QVERIFY(document.isReadOnly());
    QCOMPARE(prompts.messages.size(), 1);
}

void TestNotesSession::recoveryFilesOfAnEarlierRunAreTold() {
    Harness h;
    {
        NotesSession &session = h.started();
        h.document->setText(QStringLiteral("from the last run"));
        h.breakSaving();
        session.terminate();
    }
    h.document.reset();
    h.session.reset();
    RecordingPrompts prompts;
    NotesSession next(h.paths, prompts);
    next.openStore();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY2(prompts.messages[0].contains(QStringLiteral("recovered-")),
             qPrintable(prompts.messages[0]));
    QVERIFY(h.recoveryFiles().isEmpty());
}

void TestNotesSession::olderFileShowsAtOnceAndIsWrittenAfterItsUpgrade_data() {
    QTest::addColumn<bool>("checked");
    QTest::newRow("no check") << false;
    QTest::newRow("after the check") << true;
}

// The first open of a file from before the search index: the notes show from the read-only
// file at once, what is typed while the upgrade runs is written when it is done, and the search
// finds the older notes.
void TestNotesSession::olderFileShowsAtOnceAndIsWrittenAfterItsUpgrade() {
    QFETCH(bool, checked);
    Harness h;
    makeOlderDatabase(h.paths.databaseFile());
    testfiles::HeldPlainText held(1);
    NotesSession &session =
        h.started(checked ? NotesSession::FileCheck::BeforeWrites : NotesSession::FileCheck::None,
                  converting(held));
    QSignalSpy ready(&session, &NotesSession::ready);
    QSignalSpy started(&session, &NotesSession::upgradeStarted);
    QSignalSpy finished(&session, &NotesSession::upgradeFinished);
    QCOMPARE(h.document->text(), kOlderLine);

    QTRY_VERIFY(held.reached());
    QVERIFY(session.isUpgrading());
    QVERIFY(!session.isChecking());
    QCOMPARE(started.size(), checked ? 1 : 0); // without a check it started in openStore()
    QVERIFY(session.store().isReadOnly());
    QVERIFY(!session.isReadOnly());
    QVERIFY(!h.document->isReadOnly());
    h.document->setText(QStringLiteral("typed during the upgrade"));
    QVERIFY(session.saveActive());
    QVERIFY(h.document->isModified());
    QCOMPARE(h.stored(kMay), kOlderLine);
    session.reconnect(); // a date change does not open the file for writing meanwhile
    QVERIFY(session.store().isReadOnly());
    QVERIFY(!session.saving().isOpen());

    held.release();
    QTRY_VERIFY(!session.isUpgrading());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(h.stored(kMay), QStringLiteral("typed during the upgrade"));
    QVERIFY(!h.document->isModified());
    QVERIFY(!session.store().isReadOnly());
    QVERIFY(session.saving().isOpen());
    QCOMPARE(ready.size(), 1);
    QCOMPARE(session.store().userVersion(), NoteStore::SchemaVersion);
    const std::vector<SearchHit> hits =
        NoteSearch(session.store()).find(QStringLiteral("OLDER meeting"));
    QCOMPARE(hits.size(), size_t(1));
    QVERIFY(hits[0].note.place ==
            NoteStore::placeOf(NotePlace::Kind::MonthCell, NoteStore::yearMonthKey(kMay), 20));
    QCOMPARE(h.prompts.messages, QStringList());
}

// "恢复…" of a copy made by an older build: upgraded off the window's thread, so the event loop
// goes on (a timer ticks) while it runs; the restored notes show meanwhile.
void TestNotesSession::restoredOlderBackupIsUpgradedWhileTheEventLoopTurns() {
    Harness h;
    testfiles::HeldPlainText held(1);
    NotesSession &session = h.started(NotesSession::FileCheck::None, converting(held));
    QVERIFY(!session.isUpgrading());
    h.document->setText(QStringLiteral("before the restore"));
    QVERIFY(session.saveActive());
    QVERIFY(QDir().mkpath(h.paths.backupDir()));
    const QString older =
        QDir(h.paths.backupDir()).filePath(BackupManager::dailyFileName(QDate(2025, 7, 1)));
    makeOlderDatabase(older);
    BackupManager manager(h.paths.databaseFile(), h.paths.backupDir());
    std::optional<BackupInfo> backup;
    for (const BackupInfo &b : manager.backups())
        if (b.file == older) backup = b;
    QVERIFY(backup);

    QSignalSpy resumed(&session, &NotesSession::resumed);
    QVERIFY(session.suspend());
    manager.restore(*backup, QDateTime(QDate(2025, 7, 8), QTime(9, 0)));
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(5);
    connect(&ticker, &QTimer::timeout, [&] {
        if (session.isUpgrading() && ++ticks == 5) held.release();
    });
    ticker.start();
    session.resume();
    QVERIFY(session.isUpgrading());
    QCOMPARE(resumed.size(), 1);
    QVERIFY(h.document->load(kMay));
    QCOMPARE(h.document->text(), kOlderLine);
    h.document->setText(QStringLiteral("typed during the upgrade"));
    QVERIFY(session.saveActive());

    QTRY_VERIFY(!session.isUpgrading());
    QVERIFY(ticks >= 5);
    QCOMPARE(h.stored(kMay), QStringLiteral("typed during the upgrade"));
    QVERIFY(session.saving().isOpen());
    QCOMPARE(versionOf(h.paths.databaseFile()), NoteStore::SchemaVersion);
    QCOMPARE(NoteSearch(session.store()).find(QStringLiteral("older meeting")).size(), size_t(1));
    QCOMPARE(h.prompts.messages, QStringList());
}

// A close waits for the upgrade's end: the text typed meanwhile goes into the upgraded file,
// without a question.
void TestNotesSession::closeDuringTheUpgradeWaitsForIt() {
    Harness h;
    makeOlderDatabase(h.paths.databaseFile());
    testfiles::HeldPlainText held(1);
    NotesSession &session = h.started(NotesSession::FileCheck::None, converting(held));
    QTRY_VERIFY(held.reached());
    h.document->setText(QStringLiteral("typed before the close"));
    // The close blocks this thread: the upgrade is let go from another one.
    std::atomic<bool> closing{false};
    std::unique_ptr<QThread> releaser(QThread::create([&] {
        while (!closing) QThread::yieldCurrentThread();
        held.release();
    }));
    releaser->start();
    closing = true;
    QVERIFY(session.close());
    releaser->wait();
    QVERIFY(h.prompts.questions.isEmpty());
    QVERIFY(h.prompts.messages.isEmpty());
    QCOMPARE(h.stored(kMay), QStringLiteral("typed before the close"));
    QVERIFY(h.recoveryFiles().isEmpty());
    QCOMPARE(versionOf(h.paths.databaseFile()), NoteStore::SchemaVersion);
}

// SIGTERM stops the upgrade: rolled back, the file as it was with no log beside it (the next
// start upgrades it), and the text typed meanwhile in a recovery file, without a word.
void TestNotesSession::terminateCancelsTheUpgradeAndKeepsTheTypedText() {
    Harness h;
    makeOlderDatabase(h.paths.databaseFile());
    const QByteArray before = hashOf(h.paths.databaseFile());
    testfiles::HeldPlainText held(1);
    NotesSession &session = h.started(NotesSession::FileCheck::None, converting(held));
    QSignalSpy finished(&session, &NotesSession::finished);
    QTRY_VERIFY(held.reached());
    h.document->setText(QStringLiteral("typed before the kill"));
    session.terminate();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!session.isUpgrading());
    QVERIFY(h.prompts.questions.isEmpty());
    QVERIFY(h.prompts.messages.isEmpty());
    QCOMPARE(h.recoveryFiles().size(), 1);
    QFile recovery(QDir(h.paths.db3Dir()).filePath(h.recoveryFiles().at(0)));
    QVERIFY(recovery.open(QIODevice::ReadOnly));
    QVERIFY(
        QString::fromUtf8(recovery.readAll()).contains(QStringLiteral("typed before the kill")));
    h.document.reset();
    h.session.reset();
    QCOMPARE(hashOf(h.paths.databaseFile()), before);
    QVERIFY(!QFileInfo::exists(h.paths.databaseFile() + "-wal"));
    QCOMPARE(versionOf(h.paths.databaseFile()), 1);
}

// An upgrade that cannot be done (here: no room for the index) leaves the notes read-only with
// one message naming the file and the cause; the file is not changed and no typed text is lost.
void TestNotesSession::failedUpgradeLeavesTheNotesReadOnlyAndSaysWhy() {
    Harness h;
    const QString older = h.dir.filePath(QStringLiteral("older.db"));
    makeOlderDatabase(older);
    const auto disk = TestMount::tmpfs(h.paths.db3Dir(), "1m");
    if (!disk->ok()) QSKIP("cannot mount a small tmpfs here (not root?)");
    QVERIFY(QFile::copy(older, h.paths.databaseFile()));
    disk->fill();
    const QByteArray before = hashOf(h.paths.databaseFile());
    NotesSession &session = h.started();
    QVERIFY(session.isUpgrading());
    QCOMPARE(h.document->text(), kOlderLine);
    h.document->setText(QStringLiteral("typed during the upgrade"));
    QVERIFY(session.saveActive());

    QTRY_VERIFY(!session.isUpgrading());
    QVERIFY(session.isReadOnly());
    QVERIFY(h.document->isReadOnly());
    QVERIFY(!h.prompts.messages.isEmpty());
    const QString notice = h.prompts.messages[0];
    QVERIFY2(notice.contains(h.paths.databaseFile()) &&
                 notice.contains(QStringLiteral("未能升级")) &&
                 notice.contains(QStringLiteral("只读")),
             qPrintable(notice));
    // The text waited for the upgrade; its save now fails with the usual message, and it stays.
    QCOMPARE(h.prompts.messages.size(), 2);
    QCOMPARE(h.document->text(), QStringLiteral("typed during the upgrade"));
    QVERIFY(h.document->isModified());
    QVERIFY(!session.close());
    QCOMPARE(h.prompts.questions.size(), 1);
    QCOMPARE(hashOf(h.paths.databaseFile()), before);
}

void TestNotesSession::savedNotesReachTheSearchIndexWhenIdle_data() {
    QTest::addColumn<QString>("when");
    QTest::newRow("after a save") << QStringLiteral("save");
    QTest::newRow("after a restore brought notes waiting") << QStringLiteral("resume");
    QTest::newRow("after the start, notes waiting from before") << QStringLiteral("start");
}

// The search index takes saved notes a moment after the save, out of the save's transaction,
// and also those a session finds waiting when it opens the file.
void TestNotesSession::savedNotesReachTheSearchIndexWhenIdle() {
    QFETCH(QString, when);
    Harness h;
    const auto leaveWaitingNote = [&h] {
        NoteStore store;
        store.open(h.paths.databaseFile());
        store.writeMemoLine(1, QStringLiteral("上次留下的"));
        store.close();
        QCOMPARE(h.pendingNotes(), 1);
    };
    if (when == QLatin1String("start")) leaveWaitingNote();
    NotesSession &session = h.started();
    QString phrase = QStringLiteral("上次留");
    if (when == QLatin1String("save")) {
        h.document->setText(QStringLiteral("查找这一行"));
        QVERIFY(session.saveActive());
        QCOMPARE(h.pendingNotes(), 1);
        phrase = QStringLiteral("查找这");
    } else if (when == QLatin1String("resume")) {
        QVERIFY(session.suspend());
        leaveWaitingNote();
        session.resume();
    }
    QTRY_COMPARE_WITH_TIMEOUT(h.pendingNotes(), 0, 10000);
    QVERIFY(!session.store().textIndexPending());
    QCOMPARE(PageTestSupport::queryDatabase(
                 h.paths.databaseFile(),
                 QStringLiteral("SELECT count(*) FROM NoteTextIndex WHERE NoteTextIndex MATCH "
                                "'\"%1\"'")
                     .arg(phrase))
                 .toInt(),
             1);
    QVERIFY(h.prompts.messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestNotesSession)
#include "tst_NotesSession.moc"
