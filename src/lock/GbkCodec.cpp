#include "GbkCodec.h"

#include <iconv.h>
#include <vector>

namespace {

// Runs one whole conversion; false on any invalid or unrepresentable character.
bool convert(const char *to, const char *from, const QByteArray &in, QByteArray &out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::vector<char> buffer(static_cast<size_t>(in.size()) * 4 + 16);
    char *inPtr = const_cast<char *>(in.constData());
    size_t inLeft = static_cast<size_t>(in.size());
    char *outPtr = buffer.data();
    size_t outLeft = buffer.size();
    bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
    // Flush any shift state; GBK has none, but the call is cheap and correct.
    if (ok) ok = iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!ok || inLeft != 0) return false;
    out = QByteArray(buffer.data(), static_cast<qsizetype>(buffer.size() - outLeft));
    return true;
}

} // namespace

// Code page 936 as Windows writes it: GBK plus the euro sign at 0x80, which glibc's "GBK" refuses.
constexpr char kCodePage[] = "CP936";

bool GbkCodec::decode(const QByteArray &bytes, QString &text) {
    QByteArray utf8;
    if (!convert("UTF-8", kCodePage, bytes, utf8)) return false;
    text = QString::fromUtf8(utf8);
    return true;
}

bool GbkCodec::encode(const QString &text, QByteArray &bytes) {
    // Lone surrogates would turn into U+FFFD in UTF-8 and then be refused by iconv anyway.
    QByteArray out;
    if (!convert(kCodePage, "UTF-8", text.toUtf8(), out)) return false;
    bytes = out;
    return true;
}
