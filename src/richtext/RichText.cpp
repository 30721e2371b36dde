#include "RichText.h"

#include "CodePage.h"
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QStringDecoder>

namespace richtext {

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
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = CodePage(936).decode(bytes);
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

} // namespace richtext
