// Feeds arbitrary bytes to the RTF reader. Besides crashes, hangs and memory errors, it checks
// that whatever the reader makes of the input is written and read back unchanged.
#include "richtext/RichText.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *what) {
    std::fprintf(stderr, "fuzz_fromRtf: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    // Fonts and text layout need a GUI application; it lives for the whole run.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *bytes, size_t size) {
    const QByteArray data(reinterpret_cast<const char *>(bytes), static_cast<int>(size));
    QTextDocument doc;
    if (!richtext::fromRtf(data, doc)) {
        richtext::loadInto(doc, data);
        return 0;
    }
    const QByteArray rtf = richtext::toRtf(doc);
    QTextDocument again;
    if (!richtext::fromRtf(rtf, again)) fail("own output not taken as RTF");
    if (again.toRawText() != doc.toRawText()) fail("text changed by a write and read");
    if (richtext::toRtf(again) != rtf) fail("second write differs from the first");
    return 0;
}
