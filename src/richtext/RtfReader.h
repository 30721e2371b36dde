#pragma once

#include <QByteArray>
#include <QTextDocument>

// Reads an RTF document into a QTextDocument.
class RtfReader {
public:
    bool read(const QByteArray &data, QTextDocument &doc);
};
