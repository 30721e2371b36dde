#include "store/FormIni.h"

#include "base/AtomicFile.h"

#include <QFile>
#include <QList>

#include <climits>

namespace {

// Removes spaces and control characters (everything up to 0x20) at both ends.
QByteArray trimmedLine(const QByteArray &line) {
    int b = 0, e = int(line.size());
    while (b < e && quint8(line[b]) <= 0x20) ++b;
    while (e > b && quint8(line[e - 1]) <= 0x20) --e;
    return line.mid(b, e - b);
}

bool toInt(const QByteArray &text, int &out) {
    if (text.isEmpty()) return false;
    int i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') ++i;
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return false;
    out = int(v);
    return true;
}

// Lines end at CR LF, CR or LF.
QList<QByteArray> splitLines(const QByteArray &content) {
    QList<QByteArray> lines;
    QByteArray current;
    for (int i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            lines << current;
            current.clear();
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    if (!current.isEmpty()) lines << current;
    return lines;
}

bool writeContent(const QString &path, const QByteArray &content) {
    return AtomicFile::write(path, content);
}

} // namespace

FormIni::FormIni(const QString &filePath) : m_path(filePath) {}

WindowSettings FormIni::defaults(const QSize &screenSize) {
    WindowSettings s;
    s.width = DefaultWidth;
    s.height = DefaultHeight;
    s.left = (screenSize.width() - DefaultWidth) / 2;
    s.top = (screenSize.height() - DefaultHeight - 30) / 2;
    s.fullWidth = false;
    return s;
}

QByteArray FormIni::format(const WindowSettings &s) {
    QByteArray out;
    for (const int v : {s.width, s.height, s.left, s.top, s.fullWidth ? 1 : 0})
        out += QByteArray::number(v) + "\r\n";
    return out;
}

bool FormIni::parse(const QByteArray &content, WindowSettings &out) {
    QByteArray text = content;
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    const QList<QByteArray> lines = splitLines(text);
    if (lines.size() < 5) return false;
    int v[5];
    for (int i = 0; i < 5; ++i)
        if (!toInt(trimmedLine(lines[i]), v[i])) return false;
    if (v[0] < MinSize.width() || v[0] > MaxSize.width() || v[1] < MinSize.height() ||
        v[1] > MaxSize.height())
        return false;
    out.width = v[0];
    out.height = v[1];
    out.left = v[2];
    out.top = v[3];
    out.fullWidth = v[4] != 0;
    return true;
}

WindowSettings FormIni::read(const QSize &screenSize) const {
    QFile file(m_path);
    WindowSettings s;
    if (file.exists() && file.open(QIODevice::ReadOnly) && parse(file.readAll(), s)) return s;
    file.close();
    s = defaults(screenSize);
    writeContent(m_path, format(s)); // a failure here changes nothing for this run
    return s;
}

bool FormIni::write(WindowSettings &settings, int currentWidth, int screenWidth) const {
    WindowSettings out = settings;
    out.fullWidth = currentWidth == screenWidth;
    if (writeContent(m_path, format(out))) return true;
    settings.width = DefaultWidth;
    settings.height = DefaultHeight;
    return false;
}
