#pragma once
// A compact reader and writer of the rich-text format, for what the note window edits: text,
// paragraphs and line breaks, fonts and sizes, text colours, bold, italic, underline,
// strike-through and paragraph alignment. The reader skips whatever it does not know (other
// destinations, pictures, fields' instructions, unknown control words) and takes any input:
// unbalanced braces, truncated escapes, absurd numbers or deep nesting end in a document made of
// what could be read, in one pass over the bytes. The writer emits 7-bit text only (characters
// outside it as \'hh in Windows-1252 or \uN).
#include <QByteArray>

class QTextDocument;

// Replaces the document's content by the file's. Text that does not start with "{\rtf" is taken
// as plain Windows-1252 text. Returns false in that case.
bool LireRtf(const QByteArray& rtf, QTextDocument& doc);

// The document as a rich-text file (without a final line break).
QByteArray EcrireRtf(const QTextDocument& doc);
