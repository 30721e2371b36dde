#include "store/TextFold.h"

namespace textfold {

namespace {

// The common cases without normalisation tables: ASCII, full-width ASCII, CJK ideographs and the
// punctuation between them. Returns 0 for a code point that needs the full treatment.
char32_t quickFold(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0xFF01 && c <= 0xFF5E) return quickFold(c - 0xFEE0);
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF)) return c;
    if (c >= 0x3001 && c <= 0x3035) return c;
    return 0;
}

} // namespace

QString fold(QStringView text, std::vector<int> *map) {
    QString out;
    out.reserve(text.size());
    if (map) {
        map->clear();
        map->reserve(size_t(text.size()));
    }
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype start = i;
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            i += 2;
        } else {
            ++i;
        }
        const qsizetype before = out.size();
        if (const char32_t q = quickFold(c)) {
            out += QChar(char16_t(q));
        } else {
            const QString one = text.mid(start, i - start).toString();
            out += one.normalized(QString::NormalizationForm_KC).toCaseFolded();
        }
        if (map)
            for (qsizetype k = before; k < out.size(); ++k) map->push_back(int(start));
    }
    return out;
}

int codePointCount(QStringView text) {
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text[i].isLowSurrogate() || i == 0 || !text[i - 1].isHighSurrogate()) ++n;
    return n;
}

} // namespace textfold
