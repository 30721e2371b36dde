#include "RichText.h"

#include "RtfReader.h"
#include "RtfWriter.h"

namespace richtext {

QByteArray toRtf(const QTextDocument &doc) { return RtfWriter().write(doc); }

bool fromRtf(const QByteArray &data, QTextDocument &doc) { return RtfReader().read(data, doc); }

void loadInto(QTextDocument &doc, const QByteArray &data) {
    if (data.isEmpty()) {
        doc.clear();
        return;
    }
    if (!fromRtf(data, doc)) doc.setPlainText(QString::fromUtf8(data));
}

} // namespace richtext
