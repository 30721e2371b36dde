#pragma once

#include <QByteArray>
#include <QTextDocument>
#include <QTextDocumentFragment>

// Rich-text notes are stored as RTF documents in the style Windows rich-edit controls write,
// so that notes written here open elsewhere and old notes open here.
namespace richtext {

// The whole document as RTF (code page 936, non-ASCII text as \uN with a GBK or ? fallback).
QByteArray toRtf(const QTextDocument &doc);

// Replaces the content of doc with the RTF document in data. Returns false, and leaves doc
// untouched, when data is not RTF. Damaged RTF is read as far as it makes sense.
bool fromRtf(const QByteArray &data, QTextDocument &doc);

// Loads a stored note: RTF when data is RTF, else plain text (UTF-8 when it is valid UTF-8,
// else GBK); empty data empties the document.
void loadInto(QTextDocument &doc, const QByteArray &data);

// The text loadInto() would show, without a document: paragraphs end in '\n' (none after the
// last). For the search index, which keeps a plain copy of every note.
QString plainText(const QByteArray &data);

// One stored note (RTF) holding the text of `first` and then, from a new paragraph, that of
// `second`, each with its formats; either one alone when the other is empty.
QByteArray joined(const QByteArray &first, const QByteArray &second);

// Stored notes larger than this are not put into an editor: reading 100 MB of RTF takes
// minutes and gigabytes, and no cell or plan typed here comes near it.
constexpr qsizetype MaxEditorNoteSize = 1024 * 1024;

// loadInto() for a note that fits an editor (at most MaxEditorNoteSize bytes). A larger one is
// not read: doc gets a one-line notice saying so and the result is false; the caller makes
// the editor read-only and leaves the stored note as it is.
bool loadIfFits(QTextDocument &doc, const QByteArray &data);
// What of `fragment` a note can store: its paragraphs with their alignment and its text with the
// character formats the RTF keeps (face, size, weight, slant, underline, strike-out, colours,
// raised and lowered text). Pictures and other embedded objects are dropped; tables and lists
// become plain paragraphs; sizes in pixels become points. Pasting this instead of the clipboard's
// own fragment keeps what the editor shows equal to what a save and a reload give back.
QTextDocumentFragment storable(const QTextDocumentFragment &fragment);

} // namespace richtext
