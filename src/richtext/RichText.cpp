#include "richtext/RichText.h"

#include "richtext/CodePage.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>

#include <cmath>

namespace {

// Plain notes come from the older Windows program (GBK) or from elsewhere (UTF-8). Short GBK
// text can also be valid UTF-8 ("学校" is D1 A7 D0 A3, Cyrillic in UTF-8), so UTF-8 is taken
// only when it says more than two-byte letters could: a character from U+0800 up (every CJK
// character), only Latin-1 letters, or bytes that are no GBK at all.
QString decodePlainText(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(bytes);
    if (utf8.hasError()) return CodePage(936).decode(bytes);
    bool wide = false;
    bool latin1Only = true;
    for (const QChar c : asUtf8) {
        if (c.unicode() >= 0x800) wide = true;
        if (c.unicode() >= 0x80 && (c.unicode() < 0xa0 || c.unicode() > 0xff)) latin1Only = false;
    }
    if (wide || latin1Only) return asUtf8;
    const QString asGbk = CodePage(936).decode(bytes);
    return asGbk.contains(QChar::ReplacementCharacter) ? asUtf8 : asGbk;
}

QTextCharFormat storableFormat(const QTextCharFormat &format) {
    static const int kept[] = {QTextFormat::FontFamilies,       QTextFormat::FontPointSize,
                               QTextFormat::FontWeight,         QTextFormat::FontItalic,
                               QTextFormat::FontStrikeOut,      QTextFormat::FontUnderline,
                               QTextFormat::TextUnderlineStyle, QTextFormat::TextVerticalAlignment};
    QTextCharFormat out;
    for (const int property : kept)
        if (format.hasProperty(property)) out.setProperty(property, format.property(property));
    // Stored sizes are half points, as the writer rounds them.
    if (!format.hasProperty(QTextFormat::FontPointSize) &&
        format.hasProperty(QTextFormat::FontPixelSize) &&
        format.intProperty(QTextFormat::FontPixelSize) > 0)
        out.setFontPointSize(std::round(format.intProperty(QTextFormat::FontPixelSize) * 1.5) / 2);
    // Colours only: a gradient or a pattern is stored as its colour.
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush)
        out.setForeground(format.foreground().color());
    if (format.hasProperty(QTextFormat::BackgroundBrush) &&
        format.background().style() != Qt::NoBrush)
        out.setBackground(format.background().color());
    return out;
}

QTextBlockFormat storableFormat(const QTextBlockFormat &format) {
    QTextBlockFormat out;
    if (format.hasProperty(QTextFormat::BlockAlignment)) out.setAlignment(format.alignment());
    return out;
}

} // namespace

namespace richtext {

QTextDocumentFragment storable(const QTextDocumentFragment &fragment) {
    QTextDocument source;
    QTextCursor(&source).insertFragment(fragment);
    QTextDocument clean;
    QTextCursor out(&clean);
    bool first = true;
    // Blocks in document order, table cells and list items included.
    for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat blockFormat = storableFormat(block.blockFormat());
        const QTextCharFormat blockCharFormat = storableFormat(block.charFormat());
        if (first) {
            out.setBlockFormat(blockFormat);
            out.setBlockCharFormat(blockCharFormat);
            first = false;
        } else {
            out.insertBlock(blockFormat, blockCharFormat);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment part = it.fragment();
            if (!part.isValid() || part.charFormat().isImageFormat()) continue;
            QString text = part.text();
            text.remove(QChar::ObjectReplacementCharacter);
            if (!text.isEmpty()) out.insertText(text, storableFormat(part.charFormat()));
        }
    }
    return QTextDocumentFragment(&clean);
}

QByteArray toRtf(const QTextDocument &doc) {
    return RtfWriter().write(doc);
}

bool fromRtf(const QByteArray &data, QTextDocument &doc) {
    return RtfReader().read(data, doc);
}

void loadInto(QTextDocument &doc, const QByteArray &data) {
    if (fromRtf(data, doc)) return;

    QByteArray bytes = data;
    // Memo fields of older stores may carry a terminating NUL.
    while (bytes.endsWith('\0')) bytes.chop(1);
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    QString text = decodePlainText(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    if (text.isEmpty())
        doc.clear();
    else
        doc.setPlainText(text);
    doc.setUndoRedoEnabled(undo);
    doc.setModified(false);
}

QString plainText(const QByteArray &data) {
    QString text;
    if (RtfReader().readPlainText(data, text)) return text;
    QByteArray bytes = data;
    while (bytes.endsWith('\0')) bytes.chop(1);
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    text = decodePlainText(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QByteArray joined(const QByteArray &first, const QByteArray &second) {
    QTextDocument result;
    loadInto(result, first);
    QTextDocument tail;
    loadInto(tail, second);
    if (tail.isEmpty()) return first;
    if (result.isEmpty()) return second;
    QTextCursor cursor(&result);
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    cursor.insertFragment(QTextDocumentFragment(&tail));
    return toRtf(result);
}

bool loadIfFits(QTextDocument &doc, const QByteArray &data) {
    if (data.size() <= MaxEditorNoteSize) {
        loadInto(doc, data);
        return true;
    }
    const double megabytes = double(data.size()) / (1024.0 * 1024.0);
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.setPlainText(QStringLiteral("此条笔记太大（%1 MB），无法在此显示；保存的内容保持不变。")
                         .arg(megabytes, 0, 'f', 1));
    doc.setUndoRedoEnabled(undo);
    doc.setModified(false);
    return false;
}

} // namespace richtext
