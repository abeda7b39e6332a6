#include "database/key_check.h"
#include "foundation/log_lists.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

namespace {

class KeyCheckTest : public KirvoTest {};

TEST_F(KeyCheckTest, ShortKeysAreReportedAsIncidents) {
    const QString src = QStringLiteral("Lib_Kirvo:Test");
    // op, key, key number, file, expected incident text (empty: nothing written)
    struct Cas {
        int16_t op;
        QString cle;
        int16_t num;
        int16_t fichier;
        QString attendu;
    };
    const Cas cas[] = {
        {5, QStringLiteral("ABCDE"), 0, 3,
         QStringLiteral("Err: Key too short: NoFile: 3 Key: 0 Lng: 5 OP: 5\nKey:ABCDE Sub: Lib_Kirvo:Test")},
        {5, QStringLiteral("ABCDEFGH"), 0, 3, QString()},
        {6, QStringLiteral("ABCDEFGHIJKLMNOP"), 0, 3, QString()},
        {5, QString(), 1, 3,
         QStringLiteral("Err: Key too short: NoFile: 3 Key: 1 Lng: 0 OP: 5\nKey: Sub: Lib_Kirvo:Test")},
        {19, QString(), 0, 3, QString()},
        {20, QString(), 0, 3, QString()},
        {21, QString(), 0, 3, QString()},
        {1019, QString(), 0, 3, QString()},
        {5, QStringLiteral("12345678"), 0, 8, QString()},  // the journal key passes at 8
        {5, QStringLiteral("1234567"), 0, 8,
         QStringLiteral("Err: Key too short: NoFile: 8 Key: 0 Lng: 7 OP: 5\nKey:1234567 Sub: Lib_Kirvo:Test")},
        {9, QStringLiteral("123456789"), 1, 8,
         QStringLiteral("Err: Key too short: NoFile: 8 Key: 1 Lng: 9 OP: 9\nKey:123456789 Sub: Lib_Kirvo:Test")},
        {5, QString(), 3, 3, QString()},  // file 3 has two keys
        {5, QString(), 0, 50, QString()},
        {5, QStringLiteral("AB"), 1, 20,
         QStringLiteral("Err: Key too short: NoFile: 20 Key: 1 Lng: 2 OP: 5\nKey:AB Sub: Lib_Kirvo:Test")},
        {5, QStringLiteral("ABC"), 1, 20, QString()},
        {5, QString(15, QLatin1Char('x')), 2, 18,
         QStringLiteral("Err: Key too short: NoFile: 18 Key: 2 Lng: 15 OP: 5\nKey:") + QString(15, QLatin1Char('x')) +
             QStringLiteral(" Sub: Lib_Kirvo:Test")},
        {2, QString(22, QLatin1Char('k')), 2, 7,
         QStringLiteral("Err: Key too short: NoFile: 7 Key: 2 Lng: 22 OP: 2\nKey:") + QString(22, QLatin1Char('k')) +
             QStringLiteral(" Sub: Lib_Kirvo:Test")},
        {11, QStringLiteral("A\x01\x02"), 0, 9,
         QStringLiteral("Err: Key too short: NoFile: 9 Key: 0 Lng: 3 OP: 11\nKey:A\x01\x02 Sub: Lib_Kirvo:Test")},
    };
    for (const Cas& c : cas) {
        ReinitialiserListes();
        const QString avant = c.cle;
        QString cle = c.cle;
        BTrieveTestCle(c.op, cle, c.num, c.fichier, src);
        EXPECT_EQ(cle, avant);
        const QStringList lignes = lignesLog();
        if (c.attendu.isEmpty()) {
            EXPECT_TRUE(lignes.isEmpty()) << c.fichier << "/" << c.num << ": " << lignes.join('|').toStdString();
            EXPECT_EQ(Listes().incidents(0).count(), 0);
            continue;
        }
        ASSERT_EQ(lignes.size(), 1) << c.fichier << "/" << c.num;
        EXPECT_TRUE(lignes[0].endsWith(QStringLiteral(" : : :") + lignes[0].mid(20, 5) + c.attendu))
            << lignes[0].toStdString();
        ASSERT_EQ(Listes().incidents(0).count(), 1);
        EXPECT_TRUE(Listes().incidents(0).at(0).endsWith(c.attendu));
    }
    EXPECT_TRUE(TestDialogs().shown.empty());
}

TEST_F(KeyCheckTest, MinimumLengthTable) {
    struct Cas {
        int fichier, cle, lng;
    };
    const Cas cas[] = {
        {3, 0, 8},   {3, 1, 10},  {5, 0, 16},  {5, 1, 14}, {5, 2, 6},   {8, 0, 8},   {8, 1, 10},  {18, 0, 14},
        {18, 1, 16}, {18, 2, 16}, {18, 3, -1}, {20, 0, 5}, {20, 1, 3},  {20, 2, 20}, {20, 3, 21}, {7, 2, 23},
        {21, 1, 15}, {12, 6, 6},  {13, 2, 18}, {49, 0, 8}, {49, 1, -1}, {50, 0, -1}, {-1, 0, -1}, {3, -1, -1},
    };
    for (const Cas& c : cas) EXPECT_EQ(LongueurMinimaleCle(c.fichier, c.cle), c.lng) << c.fichier << "/" << c.cle;
}

}  // namespace
