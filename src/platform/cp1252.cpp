#include "platform/cp1252.h"

#include <array>

namespace {

// 0x80..0x9F; the unassigned bytes keep their own value as a code point.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    std::array<uint8_t, 256> fold{};
    Tables() {
        for (int b = 0; b < 256; ++b) toUnicode[b] = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char16_t(b);
        for (int b = 0; b < 256; ++b) {
            QChar up = QChar(toUnicode[b]).toUpper();
            uint8_t f = uint8_t(b);
            // Keep a fold only when the upper case stays inside the code page and is one character.
            for (int u = 0; u < 256; ++u)
                if (toUnicode[u] == up.unicode()) {
                    f = uint8_t(u);
                    break;
                }
            fold[b] = f;
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

QChar Cp1252ToChar(uint8_t byte) { return QChar(tables().toUnicode[byte]); }

bool IsCp1252(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return true;
    for (char16_t h : kHigh)
        if (h == u) return true;
    return false;
}

uint8_t CharToCp1252(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return uint8_t(u);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u) return uint8_t(0x80 + i);
    return '?';
}

QString FromCp1252(const char* data, qsizetype len) {
    QString s(len, Qt::Uninitialized);
    QChar* out = s.data();
    const auto& t = tables().toUnicode;
    for (qsizetype i = 0; i < len; ++i) out[i] = QChar(t[uint8_t(data[i])]);
    return s;
}

QByteArray ToCp1252(const QString& text) {
    QByteArray b(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) b[i] = char(CharToCp1252(text[i]));
    return b;
}

uint8_t FoldCp1252(uint8_t byte) { return tables().fold[byte]; }
