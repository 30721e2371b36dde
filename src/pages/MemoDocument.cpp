#include "pages/MemoDocument.h"

#include "pages/PageContext.h"
#include "pages/Prompts.h"
#include "pages/SaveGate.h"
#include "store/StoreError.h"

namespace {
QString writeFailedMessage(const QString &reason) {
    return QStringLiteral("备忘录保存失败,文字仍保留在备忘录中,将在下次修改或离开该行时重试。\n%1")
        .arg(reason);
}
} // namespace

MemoDocument::MemoDocument(PageContext &context, QObject *parent)
    : QObject(parent), m_context(context) {}

MemoDocument::~MemoDocument() = default;

bool MemoDocument::load() {
    std::optional<QString> failure;
    const bool wasLoading = m_loading;
    m_loading = true;
    try {
        m_stored = m_context.store.readMemoLines();
        m_loaded = true;
    } catch (const StoreError &e) {
        failure =
            QStringLiteral("备忘录读取失败,在读取成功之前备忘录不能修改。\n%1").arg(e.message());
    }
    if (!failure) emit loaded();
    m_loading = wasLoading;
    if (!m_readOnly) tell(failure);
    return !failure;
}

void MemoDocument::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    emit readOnlyChanged(readOnly);
}

bool MemoDocument::hasPendingWrite() const {
    for (const auto &p : m_pending)
        if (p) return true;
    return false;
}

std::optional<QString> MemoDocument::writeOne(int n, const QString &text) {
    m_pending[n - 1].reset();
    if (m_stored[n - 1] == text) return std::nullopt;
    // Saving is shut while the database is checked: the line waits, without a failure.
    if (!m_context.saving.isOpen()) {
        m_pending[n - 1] = text;
        return std::nullopt;
    }
    try {
        m_context.store.writeMemoLine(n, text);
        m_stored[n - 1] = text;
        return std::nullopt;
    } catch (const StoreError &e) {
        m_pending[n - 1] = text;
        return e.message();
    }
}

std::optional<QString> MemoDocument::write(int n, const QString &text) {
    if (!m_loaded) return QStringLiteral("备忘录尚未读入");
    if (n < 1 || n > LineCount) return std::nullopt;
    if (std::optional<QString> failure = writeOne(n, text)) return failure;
    for (int other = 1; other <= LineCount; ++other) {
        if (!m_pending[other - 1]) continue;
        if (std::optional<QString> failure = writeOne(other, *m_pending[other - 1])) return failure;
    }
    m_told = false;
    setWriteFailure(QString());
    return std::nullopt;
}

bool MemoDocument::writePending(bool report) {
    std::optional<QString> message;
    for (int n = 1; n <= LineCount && !message; ++n) {
        if (!m_pending[n - 1]) continue;
        if (std::optional<QString> failure = write(n, *m_pending[n - 1]))
            message = writeFailedMessage(*failure);
    }
    if (message) setWriteFailure(*message);
    if (report) tell(message);
    return !message && !hasPendingWrite();
}

void MemoDocument::discardPending() {
    for (auto &p : m_pending) p.reset();
}

bool MemoDocument::lineChanged(int n, const QString &text) {
    const std::optional<QString> failure = write(n, text);
    if (!failure) return true;
    writeFailed(writeFailedMessage(*failure), false);
    return false;
}

bool MemoDocument::lineLeft(int n, const QString &text) {
    const std::optional<QString> failure = write(n, text);
    if (!failure) return true;
    writeFailed(writeFailedMessage(*failure), true);
    return false;
}

void MemoDocument::writeFailed(const QString &message, bool always) {
    setWriteFailure(message);
    if (m_viewShowsWriteFailures || (m_told && !always)) return;
    m_told = true;
    tell(message);
}

void MemoDocument::setWriteFailure(const QString &message) {
    if (message == m_writeFailure) return;
    m_writeFailure = message;
    emit writeFailureChanged(message);
}

QList<UnsavedCell> MemoDocument::unsavedCells() const {
    QList<UnsavedCell> cells;
    for (int n = 1; n <= LineCount; ++n) {
        if (const std::optional<QString> &text = m_pending[n - 1])
            cells.append({QStringLiteral("备忘录"), QDate(), QStringLiteral("第 %1 行").arg(n),
                          *text, text->toUtf8()});
    }
    return cells;
}

void MemoDocument::tell(const std::optional<QString> &message) {
    if (!message || m_telling) return;
    // The box takes the focus; the line losing it to the box must not tell a second time.
    m_telling = true;
    m_context.prompts.showMessage({PageMessage::Kind::Information, *message, QString()});
    m_telling = false;
}
