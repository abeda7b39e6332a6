#include "shell/rtf.h"

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

namespace {

// The runs of a document: "text|size|b i u s|#colour|alignment", one per fragment, paragraphs
// separated by "¶".
QStringList runs(const QTextDocument& doc) {
    QStringList r;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const Qt::Alignment a = b.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        const QString al = (a & Qt::AlignHCenter) ? QStringLiteral("c")
                           : (a & Qt::AlignRight) ? QStringLiteral("r")
                                                  : QStringLiteral("l");
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            QString st;
            st += f.fontWeight() >= QFont::DemiBold ? 'b' : '-';
            st += f.fontItalic() ? 'i' : '-';
            st += f.fontUnderline() ? 'u' : '-';
            st += f.fontStrikeOut() ? 's' : '-';
            const QString coul =
                f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QStringLiteral("auto");
            r << it.fragment().text() + QLatin1Char('|') + QString::number(f.fontPointSize()) + QLatin1Char('|') + st +
                     QLatin1Char('|') + coul + QLatin1Char('|') + al;
        }
        r << QStringLiteral("¶");
    }
    return r;
}

}  // namespace

TEST(RtfTest, FormattingSurvivesARoundTrip) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat normal;
    normal.setFontPointSize(12);
    c.insertText(QStringLiteral("Début "), normal);
    QTextCharFormat gras = normal;
    gras.setFontWeight(QFont::Bold);
    gras.setForeground(QColor(255, 0, 0));
    c.insertText(QStringLiteral("gras rouge"), gras);
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    c.insertBlock(centre);
    QTextCharFormat grand;
    grand.setFontPointSize(36);
    grand.setFontItalic(true);
    grand.setFontUnderline(true);
    grand.setForeground(QColor(0, 0, 255));
    c.insertText(QStringLiteral("{accolades} \\ et € ñ ∑"), grand);
    QTextBlockFormat droite;
    droite.setAlignment(Qt::AlignRight);
    c.insertBlock(droite);
    QTextCharFormat barre = normal;
    barre.setFontStrikeOut(true);
    c.insertText(QStringLiteral("barré\tfin"), barre);

    const QByteArray rtf = EcrireRtf(doc);
    for (char ch : rtf) EXPECT_LT(uchar(ch), 0x80) << "7-bit output only";
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_TRUE(rtf.endsWith('}'));

    QTextDocument relu;
    ASSERT_TRUE(LireRtf(rtf, relu));
    EXPECT_EQ(runs(relu), runs(doc));
    EXPECT_EQ(relu.toPlainText(), doc.toPlainText());
    // Written again, the file does not drift.
    EXPECT_EQ(EcrireRtf(relu), rtf);
}

TEST(RtfTest, ReadsWhatOtherWritersProduce) {
    struct Cas {
        const char* rtf;
        QStringList attendu;
    };
    const Cas cas[] = {
        // A typical rich-text box file: tables, \pard, a trailing \par.
        {"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
         "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
         "\\viewkind4\\uc1\\pard\\qc\\cf1\\b\\fs72 Titre\\cf0\\b0\\par\r\n"
         "\\pard\\fs24 Suite \\'e9t\\'e9\\par\r\n}\r\n",
         {"Titre|36|b---|#ff0000|c", "¶", "Suite été|12|----|auto|l", "¶"}},
        // Unknown destinations and words are skipped; \u with its stand-in; escapes.
        {"{\\rtf1{\\*\\generator Truc 1.0;}{\\info{\\author X}}{\\*\\inconnu garbage}\\zzz12 A\\u8364?B\\{\\}\\\\C}",
         {"A€B{}\\C|12|----|auto|l", "¶"}},
        // Group-scoped formatting ends with its group.
        {"{\\rtf1 a{\\i b}c\\par}", {"a|12|----|auto|l", "b|12|-i--|auto|l", "c|12|----|auto|l", "¶"}},
        // Line breaks and tabs stay in their paragraph.
        {"{\\rtf1 un\\line deux\\tab trois}", {QStringLiteral("un\u2028deux\ttrois|12|----|auto|l"), "¶"}},
    };
    for (const Cas& c : cas) {
        QTextDocument doc;
        EXPECT_TRUE(LireRtf(QByteArray(c.rtf), doc)) << c.rtf;
        EXPECT_EQ(runs(doc), c.attendu) << c.rtf;
    }
}

TEST(RtfTest, TextThatIsNotRichTextIsReadAsPlainText) {
    QTextDocument doc;
    EXPECT_FALSE(LireRtf(QByteArray("Note sans mise en forme \xe9"), doc));
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Note sans mise en forme é"));
    EXPECT_FALSE(LireRtf(QByteArray(), doc));
    EXPECT_TRUE(doc.toPlainText().isEmpty());
}

// Broken files: each ends, and keeps what could be read.
TEST(RtfTest, MalformedFilesNeverCrashNorLoop) {
    struct Cas {
        QByteArray rtf;
        QString texte;  // the plain text expected; null: any
    };
    const Cas cas[] = {
        {"{\\rtf1 tronqu", QStringLiteral("tronqu")},
        {"{\\rtf1 fin en \\", QStringLiteral("fin en ")},
        {"{\\rtf1 hex \\'", QStringLiteral("hex ")},
        {"{\\rtf1 hex \\'4", QStringLiteral("hex ")},  // a control character: dropped
        {"{\\rtf1 hex \\'zz!", QStringLiteral("hex zz!")},
        {"{\\rtf1 trop}}}}} de fermantes}", QStringLiteral("trop de fermantes")},
        {"{\\rtf1 \\fs99999999999999999999 gros \\fs-5 \\cf999 x}", QStringLiteral("gros x")},
        {"{\\rtf1 \\u \\u- \\u-99999999999 \\uc999999 \\u65 xyz}", QString()},
        {"{\\rtf1{\\colortbl\\red300\\green-2\\blue;;;;\\red1}{\\fonttbl{\\f9999 Nom sans fin}}x}",
         QStringLiteral("x")},
        {"{\\rtf1 " + QByteArray(100000, '{') + "profond" + QByteArray(100000, '}') + " fin}", QString()},
        {"{\\rtf1 \\" + QByteArray(5000, 'a') + "123456789012345678901234567890 mot}", QStringLiteral("mot")},
        {QByteArray("{\\rtf1 nul\0dans le texte}", 25), QStringLiteral("nuldans le texte")},
        {"{\\rtf1{\\*", QString()},
        {"{\\rtf1 \\pict\\pngblip 89504e47}", QString()},
    };
    for (const Cas& c : cas) {
        QTextDocument doc;
        LireRtf(c.rtf, doc);
        if (!c.texte.isNull()) {
            EXPECT_EQ(doc.toPlainText(), c.texte) << c.rtf.left(80).constData();
        }
    }
}

// Binary data is data, a \\* inside a group is no destination, and a font name keeps every
// character it has through a save and a reload.
TEST(RtfTest, BinaryDataOptionalMarkersAndOddFontNames) {
    struct Cas {
        QByteArray rtf;
        QString texte;
    };
    const Cas cas[] = {
        {"{\\rtf1 a{\\*\\pict\\bin4 }{\\}b}c}", QStringLiteral("ac")},
        {"{\\rtf1 x\\bin4 }ABCy}", QStringLiteral("xy")},
        {"{\\rtf1 x\\bin999 }}", QStringLiteral("x")},
        {"{\\rtf1 x\\bin-3 y\\bin z}", QStringLiteral("xyz")},
        {"{\\rtf1 {\\b gras \\*\\inconnu suite} fin}", QStringLiteral("gras suite fin")},
    };
    for (const Cas& c : cas) {
        QTextDocument doc;
        LireRtf(c.rtf, doc);
        EXPECT_EQ(doc.toPlainText(), c.texte) << c.rtf.constData();
    }

    const QString noms[] = {QStringLiteral(" Po;lice\tà ∑\U0001F600 "), QString(QChar(1)) + QStringLiteral("x}{\\")};
    QTextDocument doc;
    QTextCursor cur(&doc);
    for (const QString& nom : noms) {
        QTextCharFormat f;
        f.setFontFamilies({nom});
        cur.insertText(QStringLiteral("mot "), f);
    }
    QTextDocument relu;
    ASSERT_TRUE(LireRtf(EcrireRtf(doc), relu));
    QStringList lus;
    for (auto it = relu.begin().begin(); !it.atEnd(); ++it)
        lus << it.fragment().charFormat().fontFamilies().toStringList();
    EXPECT_EQ(lus, (QStringList{noms[0], noms[1]}));
}

TEST(RtfTest, RandomBytesAfterTheHeaderAreSurvived) {
    QRandomGenerator gen(20240601);
    const QByteArray alphabet = "{}\\';*abcfsu0123456789- \r\nxyz";
    for (int essai = 0; essai < 300; ++essai) {
        QByteArray rtf = "{\\rtf1 ";
        const int n = int(gen.bounded(400));
        for (int k = 0; k < n; ++k)
            rtf += gen.bounded(4) == 0 ? char(gen.bounded(256)) : alphabet.at(int(gen.bounded(alphabet.size())));
        QTextDocument doc;
        LireRtf(rtf, doc);
        // What was read can always be written and read again.
        QTextDocument relu;
        EXPECT_TRUE(LireRtf(EcrireRtf(doc), relu));
        EXPECT_EQ(relu.toPlainText(), doc.toPlainText());
    }
}

// Each font and colour is in its table once, in the order the text first uses it, and each run
// names its own; written again, the file is the same.
TEST(RtfTest, ManyFontsAndColoursEachHaveOnePlaceInTheTables) {
    QTextDocument doc;
    QTextCursor c(&doc);
    constexpr int kPolices = 300, kCouleurs = 200;
    for (int k = 0; k < 2 * kPolices; ++k) {
        QTextCharFormat f;
        f.setFontFamilies({QStringLiteral("Police %1").arg(k % kPolices)});
        f.setFontPointSize(12);
        f.setForeground(QColor(k % kCouleurs, 0, 255 - k % kCouleurs));
        c.insertText(QStringLiteral("m%1 ").arg(k), f);
    }
    const QByteArray rtf = EcrireRtf(doc);
    const QByteArray polices = rtf.mid(rtf.indexOf("{\\fonttbl"), rtf.indexOf("}\r\n") - rtf.indexOf("{\\fonttbl"));
    const QByteArray couleurs = rtf.mid(rtf.indexOf("{\\colortbl"),
                                        rtf.indexOf("}\r\n", rtf.indexOf("{\\colortbl")) - rtf.indexOf("{\\colortbl"));
    for (int k = 0; k < kPolices; ++k) {
        const QByteArray entree =
            "{\\f" + QByteArray::number(k + 1) + "\\fnil\\fcharset0 Police " + QByteArray::number(k) + ";}";
        EXPECT_EQ(polices.count(entree), 1) << k;
    }
    EXPECT_EQ(polices.count("\\fnil"), kPolices + 1);
    EXPECT_EQ(couleurs.count("\\red"), kCouleurs);
    EXPECT_TRUE(couleurs.contains("\\red199\\green0\\blue56;")) << couleurs.right(80).toStdString();

    QTextDocument relu;
    ASSERT_TRUE(LireRtf(rtf, relu));
    EXPECT_EQ(runs(relu), runs(doc));
    int k = 0;
    for (auto it = relu.begin().begin(); !it.atEnd(); ++it, ++k)
        EXPECT_EQ(it.fragment().charFormat().fontFamilies().toStringList().value(0),
                  QStringLiteral("Police %1").arg(k % kPolices));
    EXPECT_EQ(k, 2 * kPolices);
    EXPECT_EQ(EcrireRtf(relu), rtf);
}
