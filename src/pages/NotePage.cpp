#include "pages/NotePage.h"

#include "pages/CellCommands.h"
#include "store/NoteStore.h"
#include "store/StoreError.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QTextEdit>

#include <exception>
#include <optional>

namespace {
QString errorText(const std::exception &e) {
    if (const auto *storeError = dynamic_cast<const StoreError *>(&e)) return storeError->message();
    return QString::fromLocal8Bit(e.what());
}
} // namespace

NotePage::NotePage(NoteStore &store, PageFlags &flags, QWidget *parent)
    : QWidget(parent), m_store(store), m_flags(flags),
      m_dateSource([] { return QDate::currentDate(); }) {
    // Cells that were never loaded take no typing: nothing typed there could be saved.
    setEnabled(false);
}

NotePage::~NotePage() = default;

void NotePage::setCellColour(QWidget *cell, const QColor &colour) {
    if (auto *box = qobject_cast<QTextEdit *>(cell)) CellCommands::colourSelection(*box, colour);
}

void NotePage::setDateSource(DateSource source) {
    m_dateSource = std::move(source);
}

QDate NotePage::pickerDate() const {
    return m_dateSource();
}

void NotePage::setMessageSink(MessageSink sink) {
    m_messageSink = std::move(sink);
}

void NotePage::setActive(bool active) {
    m_active = active;
    activeChanged(active);
}

QString NotePage::notLoadedText() {
    return QStringLiteral("页面还没有读入记事，不能保存。");
}

void NotePage::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    applyReadOnly(readOnly);
}

bool NotePage::load() {
    if (!saveBeforeReload()) return false;
    if (m_readOnly && !m_store.isOpen()) {
        emit loadFinished(false);
        return false;
    }
    const QDate date = pickerDate();
    std::optional<QString> failure;
    {
        const LoadingScope loading(m_flags);
        try {
            readCells(date);
            if (!m_loaded) {
                setEnabled(true);
                if (QWidget *side = sidePanel()) side->setEnabled(true);
            }
            m_loaded = true;
            m_loadedDate = date;
            m_lastSaveFailed = false;
            setUnmodified(true);
        } catch (const std::exception &e) {
            failure = errorText(e);
        }
    }
    // The flag is clear while the message is open: its ticks may save the unchanged cells.
    if (failure) showError(*failure);
    emit loadFinished(!failure);
    return !failure;
}

bool NotePage::saveBeforeReload() {
    // Blank cells that never received a period hold nothing that could be saved anywhere.
    if (!m_loaded || !hasUnsavedChanges()) return true;
    if (!m_flags.savingEnabled) return false;
    return save();
}

bool NotePage::save(bool report) {
    if (!m_flags.savingEnabled) return true;
    // Nothing could be typed into a read-only page: there is nothing to write.
    if (m_readOnly && !hasUnsavedChanges()) return true;
    if (m_saving) return false;
    m_saving = true;
    std::optional<QString> failure;
    try {
        if (!m_loaded) throw StoreError(notLoadedText());
        writeCells(m_loadedDate);
        m_lastSaveFailed = false;
        m_lastSaveError.clear();
        setUnmodified(false);
    } catch (const std::exception &e) {
        m_lastSaveFailed = true;
        failure = errorText(e);
        m_lastSaveError = *failure;
    }
    if (failure && report) showMessage(saveFailureMessage(*failure));
    m_saving = false;
    emit saveFinished(!failure);
    return !failure;
}

bool NotePage::saveIfModified(bool report) {
    return !hasUnsavedChanges() || save(report);
}

bool NotePage::open() {
    if (!saveIfModified()) return false;
    prepareOpen();
    return load();
}

void NotePage::firstShow() {
    layoutPage();
}

void NotePage::pickerDateChanged() {
    load();
}

PageMessage NotePage::saveFailureMessage(const QString &error) const {
    return {PageMessage::Kind::Error, error, QString()};
}

void NotePage::showMessage(const PageMessage &message) {
    if (m_messageSink) {
        m_messageSink(message.text);
        return;
    }
    const QString caption =
        message.caption.isEmpty() ? QGuiApplication::applicationDisplayName() : message.caption;
    if (message.kind == PageMessage::Kind::Information)
        QMessageBox::information(window(), caption, message.text);
    else
        QMessageBox::critical(window(), caption, message.text);
}

void NotePage::showError(const QString &text) {
    showMessage({PageMessage::Kind::Error, text, QString()});
}
