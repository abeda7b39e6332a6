#include "platform/cp1252.h"

#include <gtest/gtest.h>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

TEST(Cp1252Test, EveryByteSurvivesARoundTrip) {
    QByteArray tous(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b) tous[b] = char(b);
    const QString texte = FromCp1252(tous);
    ASSERT_EQ(texte.size(), 256);
    EXPECT_EQ(ToCp1252(texte), tous);
    // no two bytes share a character
    for (int b = 0; b < 256; ++b) {
        EXPECT_TRUE(IsCp1252(texte[b])) << b;
        EXPECT_EQ(CharToCp1252(Cp1252ToChar(uint8_t(b))), b) << b;
        EXPECT_EQ(Asc(Chr(b)), b) << b;
    }
}

TEST(Cp1252Test, UnassignedBytesKeepTheirOwnValue) {
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(Cp1252ToChar(uint8_t(b)).unicode(), b) << b;
    // the other C1 code points are not in the code page
    for (char16_t c : {u'\u0080', u'\u0085', u'\u009F'}) {
        EXPECT_FALSE(IsCp1252(QChar(c))) << int(c);
        EXPECT_EQ(CharToCp1252(QChar(c)), '?') << int(c);
    }
}

TEST(Cp1252Test, TheHighHalfAndAccentedLetters) {
    struct Cas {
        const char* texte;
        QByteArray octets;
    };
    const Cas cas[] = {
        {"€‚ƒ„…†‡ˆ‰Š‹Œ", QByteArray("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C")},
        {"Ž‘’“”•–—˜™š›œžŸ", QByteArray("\x8E\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F")},
        {"éèàçûôâëùÉÀÇœÿ", QByteArray("\xE9\xE8\xE0\xE7\xFB\xF4\xE2\xEB\xF9\xC9\xC0\xC7\x9C\xFF")},
        {"N° 5 « x » µ", QByteArray("N\xB0 5 \xAB x \xBB \xB5")},
    };
    for (const auto& k : cas) {
        EXPECT_EQ(ToCp1252(u(k.texte)), k.octets) << k.texte;
        EXPECT_EQ(FromCp1252(k.octets), u(k.texte)) << k.texte;
    }
    // characters outside the code page become '?', one per character
    EXPECT_EQ(ToCp1252(u("a→b")), QByteArray("a?b"));
}

TEST(Cp1252Test, UpperCaseFold) {
    struct Cas {
        int octet;
        int pli;
    };
    const Cas cas[] = {
        {'a', 'A'},   {'z', 'Z'},   {'A', 'A'},   {'1', '1'},   {0xE9, 0xC9},  // é É
        {0xE7, 0xC7}, {0xFB, 0xDB}, {0x9A, 0x8A},                              // ç û š
        {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F},                              // œ ž ÿ
        {0xDF, 0xDF}, {0xB5, 0xB5}, {0xF7, 0xF7}, {0x81, 0x81},                // ß µ ÷, unassigned
    };
    for (const auto& k : cas) EXPECT_EQ(FoldCp1252(uint8_t(k.octet)), k.pli) << k.octet;
    // folding never leaves the code page and is stable
    for (int b = 0; b < 256; ++b) EXPECT_EQ(FoldCp1252(FoldCp1252(uint8_t(b))), FoldCp1252(uint8_t(b))) << b;
}

}  // namespace
