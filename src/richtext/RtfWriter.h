#pragma once

#include <QByteArray>
#include <QTextDocument>

// Writes a QTextDocument as RTF.
class RtfWriter {
public:
    QByteArray write(const QTextDocument &doc);
};
