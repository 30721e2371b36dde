#include "RtfReader.h"

bool RtfReader::read(const QByteArray &, QTextDocument &) { return false; }
