#pragma once

#include "richtext/CodePage.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QTextCharFormat>
#include <QTextDocument>

#include <map>
#include <memory>
#include <string_view>
#include <vector>

// Reads an RTF document, as written by this program, Windows rich-edit controls or WordPad,
// into a QTextDocument. Text in \'xx bytes is decoded with the code page of its font's
// charset, else the document's \ansicpg, else GBK; \uN is read with \ucN fallback skipping.
// Associated properties given for double-byte text (\dbch\ab, \afs, \af, \ai) apply to CJK
// characters; text without a size is 12 pt.
// Pictures, objects and unknown destinations are skipped and unknown control words ignored. Damaged
// input is read as far as it goes: the reader never recurses and bounds the group depth.
class RtfReader {
public:
    // False, with doc untouched, when data does not start as an RTF document.
    bool read(const QByteArray &data, QTextDocument &doc);
    // The text read() would put into a document, paragraphs joined by '\n', without building
    // one (much faster, for the search index). False when data is not RTF.
    bool readPlainText(const QByteArray &data, QString &text);

    static bool looksLikeRtf(const QByteArray &data);

private:
    // RTF's size where a document gives none: 12 pt. Every note written here and by rich edit
    // controls states its size, so only other programs' documents rely on it.
    static constexpr int kDefaultHalfPoints = 24;

    enum class Destination { Text, FontTable, ColorTable, Skip };

    // Which characters \ab, \ai, \af and \afs describe: only \dbch (double-byte) matters,
    // as those are the Chinese ones; after \loch, \hich or \rtlch they are for other scripts.
    enum class RunType { Other, DoubleByte };

    struct CharState {
        int font = -1; // -1: the document's default font
        int halfPoints = kDefaultHalfPoints;
        bool bold = false;
        bool italic = false;
        bool strike = false;
        bool hidden = false;
        int underline = QTextCharFormat::NoUnderline;
        int color = 0;
        int highlight = 0;
        int valign = QTextCharFormat::AlignNormal;
        // For CJK characters, when the document gives them apart (\dbch\af5 and so on);
        // -1: as for the other characters.
        int cjkFont = -1;
        int cjkHalfPoints = -1;
        int cjkBold = -1;
        int cjkItalic = -1;
        bool operator==(const CharState &o) const;
        bool operator!=(const CharState &o) const { return !(*this == o); }
    };
    struct GroupState {
        Destination destination = Destination::Text;
        CharState chars;
        int alignment = 0; // 0 left, 1 centre, 2 right, 3 justified
        int uc = 1;
        RunType runType = RunType::Other;
    };
    struct Run {
        CharState style;
        QString text;
    };
    struct Paragraph {
        int alignment = 0;
        CharState mark;
        std::vector<Run> runs;
    };
    struct Font {
        QString name;
        int codePage = 0; // 0: the document's code page
        bool closed = false;
    };

    void start(const QByteArray &data);
    void parse();
    void readControl();
    void controlWord(std::string_view word, bool hasParameter, int parameter);
    void textByte(char c);
    void escapedByte(char c);
    void appendUnit(char16_t unit);
    // The look of one character: the associated properties for a CJK one.
    CharState styleFor(char16_t unit);
    CharState markStyle() const;
    void appendText(const QString &text);
    void flush();
    void endParagraph();
    void openGroup();
    void closeGroup();
    void finish();
    GroupState &state() { return m_stack.back(); }
    int currentCodePage() const;
    CodePage &codePage(int number);
    QTextCharFormat formatOf(const CharState &style) const;
    void build(QTextDocument &doc) const;

    const char *m_data = nullptr;
    int m_size = 0;
    int m_pos = 0;
    std::vector<GroupState> m_stack;
    int m_overflow = 0;
    bool m_lastUnitCjk = false; // for the low half of a surrogate pair
    bool m_done = false;
    bool m_starred = false;
    bool m_utf8 = false;
    int m_skip = 0;
    QByteArray m_pending;
    int m_ansiCodePage = 936;
    int m_defaultFont = 0;
    std::map<int, Font> m_fonts;
    int m_fontEntry = -1;
    std::vector<QColor> m_colors;
    int m_red = -1;
    int m_green = -1;
    int m_blue = -1;
    std::vector<Paragraph> m_paragraphs;
    std::map<int, std::unique_ptr<CodePage>> m_codePages;
};
