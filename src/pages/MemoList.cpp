#include "pages/MemoList.h"

#include "store/StoreError.h"

namespace {
QString writeFailedMessage(const QString &reason) {
    return QStringLiteral("备忘录保存失败,文字仍保留在备忘录中,将在下次修改或离开该行时重试。\n%1")
        .arg(reason);
}
} // namespace

MemoList::MemoList(NoteStore &store) : m_store(store) {}

std::optional<QString> MemoList::load() {
    try {
        m_stored = m_store.readMemoLines();
        m_loaded = true;
        return std::nullopt;
    } catch (const StoreError &e) {
        return QStringLiteral("备忘录读取失败,在读取成功之前备忘录不能修改。\n%1").arg(e.message());
    }
}

bool MemoList::hasPendingWrite() const {
    for (const auto &p : m_pending)
        if (p) return true;
    return false;
}

std::optional<QString> MemoList::writeOne(int n, const QString &text) {
    m_pending[n - 1].reset();
    if (m_stored[n - 1] == text) return std::nullopt;
    try {
        m_store.writeMemoLine(n, text);
        m_stored[n - 1] = text;
        return std::nullopt;
    } catch (const StoreError &e) {
        m_pending[n - 1] = text;
        return e.message();
    }
}

std::optional<QString> MemoList::write(int n, const QString &text) {
    if (!m_loaded) return QStringLiteral("备忘录尚未读入");
    if (n < 1 || n > LineCount) return std::nullopt;
    if (std::optional<QString> failure = writeOne(n, text)) return failure;
    for (int other = 1; other <= LineCount; ++other) {
        if (!m_pending[other - 1]) continue;
        if (std::optional<QString> failure = writeOne(other, *m_pending[other - 1])) return failure;
    }
    m_told = false;
    return std::nullopt;
}

std::optional<QString> MemoList::writePending() {
    for (int n = 1; n <= LineCount; ++n) {
        if (!m_pending[n - 1]) continue;
        if (std::optional<QString> failure = write(n, *m_pending[n - 1]))
            return writeFailedMessage(*failure);
    }
    return std::nullopt;
}

std::optional<QString> MemoList::lineChanged(int n, const QString &text) {
    const std::optional<QString> failure = write(n, text);
    if (!failure || m_told) return std::nullopt;
    m_told = true;
    return writeFailedMessage(*failure);
}

std::optional<QString> MemoList::lineLeft(int n, const QString &text) {
    const std::optional<QString> failure = write(n, text);
    if (!failure) return std::nullopt;
    m_told = true;
    return writeFailedMessage(*failure);
}
