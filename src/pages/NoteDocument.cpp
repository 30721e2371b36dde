#include "pages/NoteDocument.h"

#include "pages/PageContext.h"
#include "pages/SaveGate.h"
#include "store/NoteStore.h"
#include "store/StoreError.h"

#include <exception>

namespace {
QString errorText(const std::exception &e) {
    if (const auto *storeError = dynamic_cast<const StoreError *>(&e)) return storeError->message();
    return QString::fromLocal8Bit(e.what());
}

// The failure of a save asked for before the first load (shown through saveFailureMessage()).
QString notLoadedText() {
    return QStringLiteral("页面还没有读入记事，不能保存。");
}
} // namespace

NoteDocument::NoteDocument(PageContext &context, QObject *parent)
    : QObject(parent), m_context(context) {}

NoteDocument::~NoteDocument() = default;

void NoteDocument::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    emit readOnlyChanged(readOnly);
}

bool NoteDocument::load(const QDate &date) {
    m_requestedDate = date;
    if (!saveBeforeReload()) return false;
    if (m_readOnly && !m_context.store.isOpen()) {
        emit loadFinished(false);
        return false;
    }
    std::optional<QString> failure;
    {
        const LoadingScope loading(*this);
        try {
            readCells(date);
            m_loaded = true;
            m_loadedDate = date;
            m_lastSaveFailed = false;
            setUnmodified(true);
        } catch (const std::exception &e) {
            failure = errorText(e);
        }
        if (!failure) emit loaded();
    }
    notifyModified();
    // The flag is clear while the message is open: its ticks may save the unchanged cells.
    if (failure) m_context.prompts.showError(*failure);
    emit loadFinished(!failure);
    return !failure;
}

bool NoteDocument::saveBeforeReload() {
    // Blank cells that never received a period hold nothing that could be saved anywhere.
    if (!m_loaded || !isModified()) return true;
    if (!m_context.saving.isOpen()) return false;
    return save();
}

bool NoteDocument::save(bool report) {
    if (!m_context.saving.isOpen()) return true;
    // Nothing could be typed into a read-only document: there is nothing to write.
    if (m_readOnly && !isModified()) return true;
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
    notifyModified();
    if (failure && report) m_context.prompts.showMessage(saveFailureMessage(*failure));
    m_saving = false;
    emit saveFinished(!failure);
    return !failure;
}

bool NoteDocument::saveIfModified(bool report) {
    return !isModified() || save(report);
}

void NoteDocument::discardChanges() {
    setUnmodified(false);
    notifyModified();
}

PageMessage NoteDocument::saveFailureMessage(const QString &error) const {
    return {PageMessage::Kind::Error, error, QString()};
}

void NoteDocument::notifyModified() {
    // A load passes through modified cells on the way; it tells the outcome once it is done.
    if (m_loading) return;
    const bool modified = isModified();
    if (modified == m_toldModified) return;
    m_toldModified = modified;
    emit modifiedChanged(modified);
}
