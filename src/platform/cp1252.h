#pragma once
// The 8-bit edge: every text the program stores or exchanges (record fields and keys, settings
// files, log files, UDP datagrams) is Windows-1252. The five unassigned bytes map to U+0081...
// so that any byte string survives a round trip (web ids are stored as base-255 digits).
#include <QByteArray>
#include <QChar>
#include <QString>
#include <cstdint>

QChar Cp1252ToChar(uint8_t byte);
// The byte of a character; characters outside the code page become '?'.
uint8_t CharToCp1252(QChar c);
bool IsCp1252(QChar c);

QString FromCp1252(const char* data, qsizetype len);
inline QString FromCp1252(const QByteArray& bytes) { return FromCp1252(bytes.constData(), bytes.size()); }
QByteArray ToCp1252(const QString& text);
// Character code of a text's character in the code page (0..255), as record texts count them.
inline int Asc(QChar c) { return CharToCp1252(c); }
inline QChar Chr(int code) { return Cp1252ToChar(static_cast<uint8_t>(code & 0xFF)); }
// Upper-case fold of one code-page byte (letters, accented ones included); used by
// case-insensitive keys and name comparisons.
uint8_t FoldCp1252(uint8_t byte);
