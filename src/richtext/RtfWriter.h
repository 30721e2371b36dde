#pragma once

#include "richtext/CodePage.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextDocument>

// Writes a whole QTextDocument as an RTF document in the style of Windows rich-edit controls:
// ANSI code page 936, a font and a colour table, formatting as toggles, one \par per paragraph.
// Non-ASCII text is written as \uN followed by its bytes in the font's code page (GBK for
// Chinese faces, in a group of its own with \uc2) or '?', so readers with and without Unicode
// support both get the text; the form is the one unrtf, pandoc and LibreOffice all read right.
class RtfWriter {
public:
    QByteArray write(const QTextDocument &doc);

private:
    // The formatting of a run as RTF sees it: indices into the font and colour tables.
    struct CharStyle {
        int font = -1;
        int halfPoints = -1;
        bool bold = false;
        bool italic = false;
        bool strike = false;
        int underline = QTextCharFormat::NoUnderline;
        int color = 0;
        int highlight = 0;
        int valign = QTextCharFormat::AlignNormal;
    };

    CharStyle styleOf(const QTextCharFormat &format);
    int fontIndex(const QString &family);
    int colorIndex(const QColor &color);
    void changeStyle(const CharStyle &to);
    void writeText(const QString &text);
    void writeUnicode(const QString &character);
    void controlWord(const char *word);
    void controlWord(const char *word, int parameter);
    void rawText(char c);
    QByteArray header();

    QByteArray m_body;
    QFont m_defaultFont;
    QStringList m_fonts;
    QList<bool> m_chineseFaces;
    QList<QRgb> m_colors;
    CharStyle m_current;
    bool m_needDelimiter = false;
    CodePage m_gbk{936};
    CodePage m_ansi{1252};
    QHash<QString, QByteArray> m_gbkCache;
    QHash<QString, QByteArray> m_ansiCache;
};
