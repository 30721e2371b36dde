#include "CodePage.h"

CodePage::CodePage(int codePage) : m_codePage(codePage) {}
CodePage::~CodePage() = default;
QString CodePage::decode(const QByteArray &bytes) { return QString::fromLatin1(bytes); }
QByteArray CodePage::encodeExact(const QString &) { return {}; }
int CodePage::forCharset(int) { return 0; }
