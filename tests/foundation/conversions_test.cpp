#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "platform/app_error.h"
#include "platform/cp1252.h"
#include "support/fixture.h"

#include <QLocale>
#include <cmath>
#include <limits>
#include <string>

namespace {

class ConversionsTest : public KirvoTest {
protected:
    // Reports written since the start of the test (one incident line each).
    QStringList rapports() const { return Listes().incidents(0).lines(); }
    static QString q(const char* s) { return QString::fromUtf8(s); }
};

TEST_F(ConversionsTest, N2SWorkedExamples) {
    struct Cas {
        double v;
        int16_t w, d;
        const char* fill;
        const char* attendu;
    };
    const Cas cas[] = {
        {42, 5, 0, "0", "00042"},
        {7, 2, 0, "0", "07"},
        {12345, 3, 0, "0", "345"},
        {7, 4, 0, "", "   7"},
        {2.5, 1, 0, "0", "3"},  // 2.505
        {3.496, 1, 0, "0", "4"},
        {3.14159, 6, 2, "0", "003.15"},
        {1, 6, 3, "0", "01.005"},    // 0.005 added whatever the decimals
        {0.5, 6, 2, " ", "  0.50"},  // 50.5: the half goes to the even 50
        {0.05, 6, 2, " ", "  0.06"},
        {-5, 3, 0, " ", " -5"},
        {-5, 3, 0, "0", "-05"},
        {-123, 3, 0, "0", "-123"},
        {-12.5, 7, 1, " ", "  -12.5"},
        {-0.001, 2, 0, "0", "-0"},
        {1000000000000.0, 4, 0, "0", "3647"},
        {0.5, 3, 2, "0", ".50"},  // width = decimals + 1: nothing before the point
        {5, 0, 0, "0", ""},
        {0, 3, 0, "ab", "aa0"},  // only the fill's first character
        {1.5, 1, 0, "0", "2"},
        {0.49, 3, 0, " ", "  0"},
    };
    for (const auto& k : cas) EXPECT_EQ(N2S(k.v, k.w, k.d, q(k.fill)), q(k.attendu)) << k.v << " " << k.w << " " << k.d;
    EXPECT_TRUE(rapports().isEmpty());
}

// The shortcut must give N2S's text for every whole number, inside the width and beyond it.
TEST_F(ConversionsTest, ChiffresZeroGivesN2SText) {
    for (const int w : {1, 2, 5})
        for (const int v : {0, 7, 9, 10, 42, 99, 100, 12345, 99999, 100000, 123456, -1, -80})
            EXPECT_EQ(ChiffresZero(v, int16_t(w)), N2S(v, int16_t(w), 0, QStringLiteral("0"))) << v << " " << w;
}

TEST_F(ConversionsTest, N2SFailuresAreReportedWithTheValueInTheKey) {
    struct Cas {
        double v;
        int16_t w, d;
        const char* fill;
        const char* attendu;
        const char* source;
    };
    const Cas cas[] = {
        // scale does not fit: the number shows as 0, the point placed as usual
        {5, 12, 10, "0", "0.0000000000", "Source:Lib_Public:N2S (Value: 5):30"},
        // the sign is already off when the report is made
        {-7.25, 12, 10, "0", "-.0000000000", "Source:Lib_Public:N2S (Value: 7.25):30"},
        // no room for the point: digits kept without it
        {12, 2, 2, "0", "00", "Source:Lib_Public:N2S (Value: 12):80"},
        {3, -1, 0, "0", "", "Source:Lib_Public:N2S (Value: 3):70"},
        // step 4 overflows: shown as the limit
        {1e308, 12, 1, " ", " 214748364.7", "Source:Lib_Public:N2S (Value: 1E+308):40"},
    };
    for (const auto& k : cas) {
        ReinitialiserListes();
        EXPECT_EQ(N2S(k.v, k.w, k.d, q(k.fill)), q(k.attendu)) << k.source;
        ASSERT_EQ(rapports().size(), 1) << k.source;
        EXPECT_TRUE(rapports()[0].endsWith(q(k.source))) << rapports()[0].toStdString();
    }
}

TEST_F(ConversionsTest, LeadingNumber) {
    struct Cas {
        const char* t;
        double v;
    };
    const Cas cas[] = {{"  0.50", 0.5}, {"007", 7},        {"*12", 0},      {".", 0},
                       {"", 0},         {"1 2.5.3", 12.5}, {"20 24", 2024}, {"3a4", 3}};
    for (const auto& k : cas) EXPECT_DOUBLE_EQ(NombreEnTete(q(k.t)), k.v) << k.t;
}

// A number read from a text three ways: the leading number of a setting (NombreSigne), the
// numeric value of an answer's text, and the whole text as an integer. Both integer readings
// round the exact decimal value, never a double close to it.
TEST_F(ConversionsTest, NumbersReadFromTexts) {
    constexpr int E6 = -6, E13 = -13;  // the error raised instead of a value
    const double inf = std::numeric_limits<double>::infinity();
    const std::string neufs(400, '9'), zeros(400, '0');
    struct Cas {
        std::string t;
        double signe;
        int64_t numerique, stricte;
    };
    const Cas cas[] = {
        {"1234", 1234, 1234, 1234},
        {" 301 ", 301, 301, 301},
        {"+2", 2, 2, 2},
        {"-7", -7, -7, -7},
        {"  12abc", 12, 12, E13},
        {"1 2.5", 12.5, 12, E13},
        {"", 0, 0, E13},
        {".", 0, 0, E13},
        {"abc", 0, 0, E13},
        {"nan", 0, 0, E13},
        {"-inf", 0, 0, E13},
        {"5e", 5, 5, E13},
        // halves to the even neighbour
        {"2.5", 2.5, 2, 2},
        {"3.5", 3.5, 4, 4},
        {"-2.5", -2.5, -2, -2},
        {"0.5", 0.5, 0, 0},
        // the exact value decides, not the nearest double
        {"3.4999999", 3.4999999, 3, 3},
        {"4.5000001", 4.5000001, 5, 5},
        {"2.50000000000000000000000000001", 2.5, 3, 3},
        {"2147483647.49999999", 2147483647.5, 2147483647, 2147483647},
        {"0.1", 0.1, 0, 0},
        {"1234567.8912345", 1234567.8912345, 1234568, 1234568},
        {"9007199254740993", 9007199254740992.0, E6, E6},  // the double nearest, halves to even
        {"123456789012345678.9e0", 123456789012345678.0, E6, E6},
        {"2147483647", 2147483647, 2147483647, 2147483647},
        {"2147483648", 2147483648, E6, E6},
        {"2147483647.5", 2147483647.5, E6, E6},
        {"-2147483648", -2147483648.0, -2147483648LL, -2147483648LL},
        {"-2147483649", -2147483649.0, E6, E6},
        // exponents: only the whole-text reading has them
        {"12e3", 12, 12, 12000},
        {"1.5E1", 1.5, 2, 15},
        {"25e-1", 25, 25, 2},
        {"1e-400", 1, 1, 0},
        {"1e400", 1, 1, E6},
        {"0e99999999999999999999", 0, 0, 0},
        {"1e99999999999999999999", 1, 1, E6},
        // far too many digits: beyond every double is an overflow, below the smallest is 0
        {neufs, inf, E6, E6},
        {"-" + neufs, -inf, E6, E6},
        {neufs + ".5", inf, E6, E6},
        {"." + zeros + "1", 0, 0, 0},
        {zeros + "7", 7, 7, 7},
        {"1." + zeros, 1, 1, 1},
        {"0.5" + zeros + "1", 0.5, 1, 1},
    };
    const auto entier = [](int32_t (*f)(QStringView), const QString& t) -> int64_t {
        try {
            return f(t);
        } catch (const AppError& e) {
            return -e.number;
        }
    };
    for (const Cas& k : cas) {
        const QString t = QString::fromStdString(k.t);
        const std::string nom = k.t.substr(0, 40);
        EXPECT_EQ(NombreSigne(t), k.signe) << nom;  // the double nearest, exactly
        EXPECT_EQ(entier(ValeurNumeriqueReponse, t), k.numerique) << nom;
        EXPECT_EQ(entier(ValeurEntiereStricte, t), k.stricte) << nom;
    }
}

TEST_F(ConversionsTest, DateToTextAndBackWithCarryOver) {
    EXPECT_EQ(D2S(QDate(2024, 3, 5)), QStringLiteral("20240305"));
    EXPECT_EQ(D2S(QDate(2024, 2, 29)), QStringLiteral("20240229"));
    EXPECT_EQ(D2S(QDateTime(QDate(999, 12, 31), QTime(23, 59))), QStringLiteral("09991231"));

    struct Cas {
        const char* t;
        QDate d;
    };
    const Cas cas[] = {
        {"20240305", QDate(2024, 3, 5)},   {"20241301", QDate(2025, 1, 1)},
        {"20240230", QDate(2024, 3, 1)},   {"20240300", QDate(2024, 2, 29)},  // day 0 is the month's eve
        {"20230229", QDate(2023, 3, 1)},   {"20240305143022", QDate(2024, 3, 5)},
        {"99991231", QDate(9999, 12, 31)}, {"2024 3 5", QDate(2024, 3, 5)},  // blanks skipped inside each field
        {"00240305", QDate(2024, 3, 5)},                                     // two-digit year
        {"00750101", QDate(1975, 1, 1)},
    };
    for (const auto& k : cas) EXPECT_EQ(S2D(q(k.t)), k.d) << k.t;
    EXPECT_TRUE(rapports().isEmpty());
    for (int i = 0; i < 400; ++i) {
        const QDate d = QDate(2023, 11, 20).addDays(i * 3);
        EXPECT_EQ(S2D(D2S(d)), d);
    }
}

TEST_F(ConversionsTest, DateFailures) {
    // D2S falls back on today's date (the fake clock's)
    EXPECT_EQ(D2S(QDate()), QStringLiteral("20240305"));
    EXPECT_EQ(D2S(QDate(50, 1, 1)), QStringLiteral("20240305"));
    ASSERT_EQ(rapports().size(), 2);
    EXPECT_TRUE(rapports()[0].endsWith(QStringLiteral("Source:Lib_Public:D2S:10")));

    ReinitialiserListes();
    EXPECT_EQ(S2D(QStringLiteral("99991301")), DateNulle());  // past 9999 after carrying over
    EXPECT_EQ(S2D(QStringLiteral("40000101")), QDate(4000, 1, 1));
    EXPECT_EQ(S2D(QStringLiteral("2024999999")), QDate(2024, 1, 1).addMonths(98).addDays(98));
    ASSERT_EQ(rapports().size(), 1);
    EXPECT_TRUE(rapports()[0].endsWith(QStringLiteral("Source:Lib_Public:S2D:20")));
    EXPECT_EQ(DateNulle(), QDate(1899, 12, 30));
}

TEST_F(ConversionsTest, Date2StringExPatterns) {
    // nothing may depend on the machine's language
    const QLocale avant;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDateTime t(QDate(2024, 3, 5), QTime(14, 3, 22));
    struct Cas {
        const char* motif;
        const char* attendu;
    };
    const Cas cas[] = {
        {"HH:MM:SS", "14:03:22"},
        {"", "14:03:22"},
        {"   ", "14:03:22"},
        {"hh:mm:ss", "14:03:22"},
        {"dd/MM", "05/03"},
        {"dd/MM/yyyy", "05/03/2024"},
        {"dd/MM/yyyy HH:MM:SS", "05/03/2024 14:03:22"},
        {"Long Date", "mardi 5 mars 2024"},
        {"long date", "mardi 5 mars 2024"},
        {"Short Date", "05/03/2024"},
        {"Long Time", "14:03:22"},
        {"hh:nn AM/PM", "02:03 PM"},
        {"dddd d mmmm yy", "mardi 5 mars 24"},
        {"ddd d mmm", "mar. 5 mars"},
        {"yyyymmdd", "20240305"},
        {"mm:ss", "03:22"},  // "mm" before seconds is minutes too
        {"w ww q y", "3 10 1 65"},
        {"\"le\" d \\h", "le 5 h"},
        {"c", "05/03/2024 14:03:22"},
    };
    for (const auto& k : cas) EXPECT_EQ(Date2StringEx(t, q(k.motif)), q(k.attendu)) << k.motif;
    EXPECT_EQ(Date2StringEx(QDate(2024, 8, 11), QStringLiteral("Long Date")), q("dimanche 11 août 2024"));
    EXPECT_EQ(Date2StringEx(QDate(2024, 12, 30), QStringLiteral("Long Date")), q("lundi 30 décembre 2024"));
    QLocale::setDefault(avant);
    EXPECT_TRUE(rapports().isEmpty());

    EXPECT_EQ(Date2StringEx(QDateTime(), QStringLiteral("dd/MM")), QString());
    ASSERT_EQ(rapports().size(), 1);
    EXPECT_TRUE(rapports()[0].endsWith(QStringLiteral("Source:Lib_Public:Date2StringEx:10")));
}

TEST_F(ConversionsTest, DurationsAndFlags) {
    struct Cas {
        int32_t s;
        int16_t w;
        const char* fill;
        bool h, a;
        const char* attendu;
        bool hApres;
    };
    const Cas cas[] = {
        {59, 2, "0", false, false, "00:59", false},
        {754, 2, "0", false, false, "12:34", false},
        {6000, 2, "0", false, false, "100:00", false},  // the width grows with the minutes
        {600000, 2, "0", false, false, "10000:00", false},
        {125, 3, " ", false, false, "  2:05", false},
        {125, 7, "0", false, false, "02:05", false},      // other widths become 2
        {3725, 2, "0", true, false, " 1:02:05", true},    // hours padded with blanks
        {360000, 2, "0", true, false, "00:00:00", true},  // 100 hours keep their last two digits
        {3725, 2, "0", false, true, " 1:02:05", true},
        {3599, 2, "0", true, true, "59:59", false},  // automatic overrides the hours flag
        {-5, 3, "0", true, true, "-5", true},        // flags untouched
    };
    for (const auto& k : cas) {
        bool h = k.h, a = k.a;
        EXPECT_EQ(Tps2MinSec(k.s, k.w, q(k.fill), QStringLiteral("Lib_Test:X"), h, a), q(k.attendu)) << k.s;
        EXPECT_EQ(h, k.hApres) << k.s;
        EXPECT_EQ(a, k.s < 0 ? k.a : false) << k.s;
    }
}

TEST_F(ConversionsTest, CalibrePadsOrCutsAndFixesAnEmptyFill) {
    struct Cas {
        const char* t;
        const char* fill;
        int32_t n;
        const char* attendu;
    };
    const Cas cas[] = {{"AB", "*", 5, "AB***"},
                       {"ABCDEF", " ", 4, "ABCD"},
                       {"AB", "", 3, "AB "},
                       {"AB", "-+", 4, "AB--"},
                       {"AB", "*", 0, ""}};
    for (const auto& k : cas) EXPECT_EQ(Calibre(q(k.t), q(k.fill), k.n), q(k.attendu)) << k.t;
    QString fill;
    EXPECT_EQ(Calibre(QStringLiteral("x"), fill, 2), QStringLiteral("x "));
    EXPECT_EQ(fill, QStringLiteral(" "));
    EXPECT_TRUE(rapports().isEmpty());
    EXPECT_EQ(Calibre(QStringLiteral("x"), QStringLiteral("*"), -1), QString());
    ASSERT_EQ(rapports().size(), 1);
    EXPECT_TRUE(rapports()[0].endsWith(QStringLiteral("Source:Lib_Public:Calibre:20")));
}

TEST_F(ConversionsTest, PathEndings) {
    struct Cas {
        const char* t;
        const char* slash;
        const char* rep;
    };
    const Cas cas[] = {
        {"", "", ""},
        {" ", " /", " /"},
        {"base/api", "base/api/", "base/api/"},
        {"base/api/", "base/api/", "base/api/"},
        {"/data/x", "/data/x/", "/data/x/"},
        {"C:\\Data", "C:\\Data/", "C:\\Data/"},
        {"C:\\Data\\", "C:\\Data\\/", "C:\\Data\\"},
    };
    for (const auto& k : cas) {
        EXPECT_EQ(CheckSlash(q(k.t)), q(k.slash)) << k.t;
        EXPECT_EQ(CheckRep(q(k.t)), q(k.rep)) << k.t;
    }
}

TEST_F(ConversionsTest, PathSplit) {
    struct Cas {
        const char* path;
        const char* rep;
        const char* fic;
        const char* ext;
    };
    const Cas cas[] = {
        {"/var/log/20240305.Log", "/var/log/", "20240305", ".Log"},
        {"C:\\Logs\\20240305.Log", "C:\\Logs\\", "20240305", ".Log"},
        {"archive.tar.gz", "", "archive.tar", ".gz"},
        {"/data/dir.x/file", "/data/dir.x/", "file", ""},
        {"C:\\dir.x\\file", "C:\\dir.x\\", "file", ""},
        {"/data/", "/data/", "", ""},
        {" /a b/c.d.e ", "/a b/", "c.d", ".e"},
        {" D:\\a b\\c.d.e ", "D:\\a b\\", "c.d", ".e"},
        {"a\\b/c.txt", "a\\b/", "c", ".txt"},
        {".ini", "", "", ".ini"},
        {"nom", "", "nom", ""},
        {"/", "/", "", ""},
        {"   ", "", "", ""},
    };
    for (const auto& k : cas) {
        RepFicExt = {QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("old")};
        EclateRepFicExt(q(k.path));
        EXPECT_EQ(RepFicExt.Rep, q(k.rep)) << k.path;
        EXPECT_EQ(RepFicExt.Fic, q(k.fic)) << k.path;
        EXPECT_EQ(RepFicExt.Ext, q(k.ext)) << k.path;
    }
}

TEST_F(ConversionsTest, FolderNameCleaning) {
    struct Cas {
        const char* t;
        const char* attendu;
    };
    const Cas cas[] = {
        {"C:\\Pub\\Spots ? 2024 \\Nouveaux", "C:\\Pub\\Spots 2024\\Nouveaux"},
        {"C:\\Data:Old\\a,b", "C:\\Data Old\\a b"},
        {"\\\\Serveur\\Partage\\..\\Sons%", "\\\\Serveur\\Partage\\\\Sons"},
        {"/srv/Pub/Spots ? 2024 /Nouveaux", "/srv/Pub/Spots 2024/Nouveaux"},
        {"/srv/a/../b/.../c", "/srv/a//b//c"},  // removed, never resolved
        {"/srv/a    /b", "/srv/a/b"},           // every blank before a separator goes
        {"/srv/x:y", "/srv/x y"},
        {"/srv/a      b", "/srv/a  b"},  // six blanks: one pass of threes
        {"/srv/a    b", "/srv/a  b"},
        {"  /srv/<a|b>*\"c\"  ", "/srv/ a b c"},
        {"C:", "C:"},
        {"", ""},
    };
    for (const auto& k : cas) EXPECT_EQ(NettoieNomDeDossier(q(k.t)), q(k.attendu)) << k.t;
}

TEST_F(ConversionsTest, FileNameCheck) {
    struct Cas {
        const char* t;
        bool ok;
    };
    const Cas cas[] = {{"C:\\a?.ini", false}, {"C:\\a.ini", true}, {"/x/*.ini", false}, {"a\"b", false},
                       {"a|b", false},        {"a:<b>", true},     {"", true}};
    for (const auto& k : cas) EXPECT_EQ(NomFichierCorrect(q(k.t)), k.ok) << k.t;
}

TEST_F(ConversionsTest, ClearChaineBlanksControlCharacters) {
    QString t = q("Noël") + QChar(9) + q("à") + QChar(0) + q("côté");
    EXPECT_EQ(ClearChaine(t), q("Noël à côté"));
    EXPECT_EQ(t, q("Noël à côté"));  // the caller's text is changed
    const QString autre = q("a\r\nb ûüýþÿ €Œé");
    EXPECT_EQ(ClearChaine(autre), q("a  b û     €Œé"));
}

TEST_F(ConversionsTest, MinimumBound) {
    int32_t v = 3;
    CheckValiditeValeurMin(v, 5);
    EXPECT_EQ(v, 5);
    v = 7;
    CheckValiditeValeurMin(v, 5);
    EXPECT_EQ(v, 7);
}

TEST_F(ConversionsTest, TagValues) {
    struct Cas {
        const char* t;
        const char* tag;
        const char* defaut;
        const char* attendu;
    };
    const Cas cas[] = {
        {"<Do:Check><NoPort:5001>", "<NoPort:", "", "5001"},
        {"<noport:5001>", "<NoPort:", "", "5001"},
        {"<NoPort:>", "<NoPort:", "x", ""},
        {"<NoPort:5001", "<NoPort:", "x", "x"},
        {"<Do:Check>", "<NoPort:", "x", "x"},
        {"   ", "<NoPort:", "x", "x"},
        {"<Address:10.0.0.1><Address:10.0.0.2>", "<Address:", "", "10.0.0.1"},
        {"Id:42>", "Id:", "", "42"},
    };
    for (const auto& k : cas) EXPECT_EQ(ExtraireBalise(q(k.t), q(k.tag), q(k.defaut)), q(k.attendu)) << k.t;
    EXPECT_TRUE(rapports().isEmpty());
    // a tag holding the ">" itself: reported, the default comes back
    EXPECT_EQ(ExtraireBalise(QStringLiteral("<a>b>"), QStringLiteral("<a>"), QStringLiteral("d")), QStringLiteral("d"));
    ASSERT_EQ(rapports().size(), 1);
    EXPECT_TRUE(rapports()[0].endsWith(QStringLiteral("Source:Lib_Public:ExtraireBalise:10")));
}

TEST_F(ConversionsTest, EntryTraces) {
    bTraceLogDebug = true;
    bTraceDebugEcran = true;
    bool h = false, a = false;
    N2S(1, 2);
    D2S(QDate(2024, 1, 1));
    CheckRep(QStringLiteral("x"));
    MKL(3);
    EXPECT_EQ(Listes().ListeDebug.count(), 0);
    EXPECT_TRUE(lignesLog().isEmpty());
    Tps2MinSec(5, 2, QStringLiteral("0"), QStringLiteral("Lib_Fill:Calcul"), h, a);
    ASSERT_EQ(Listes().ListeDebug.count(), 1);
    EXPECT_TRUE(Listes().ListeDebug.at(0).endsWith(QStringLiteral(" Lib_Public:Tps2MinSec < Lib_Fill:Calcul")));
    EXPECT_TRUE(lignesLog().isEmpty());
    ExtraireBalise(QStringLiteral("<a:1>"), QStringLiteral("<a:"));
    ASSERT_EQ(lignesLog().size(), 1);
    EXPECT_TRUE(lignesLog()[0].endsWith(QStringLiteral("Lib_Public:ExtraireBalise")));
}

TEST_F(ConversionsTest, Base255DigitsAndRoundTrips) {
    struct Cas {
        int32_t n;
        int c1, c2, c3, c4;
    };
    const Cas cas[] = {{0, 0, 0, 0, 0},
                       {254, 254, 0, 0, 0},
                       {255, 0, 1, 0, 0},
                       {256, 1, 1, 0, 0},
                       {65025, 0, 0, 1, 0},
                       {1000000, 145, 96, 15, 0},
                       {2147483647, 127, 129, 130, 129}};
    for (const auto& k : cas) {
        const QString s = MKL(k.n);
        ASSERT_EQ(s.size(), 4);
        const QByteArray b = ToCp1252(s);  // the record's bytes
        const char attendu[4] = {char(k.c1), char(k.c2), char(k.c3), char(k.c4)};
        EXPECT_EQ(b, QByteArray(attendu, 4)) << k.n;
        char octets[4];
        MKLOctets(k.n, octets);
        EXPECT_EQ(QByteArray(octets, 4), b) << k.n;
        EXPECT_EQ(CVL(FromCp1252(b)), k.n) << k.n;
        EXPECT_EQ(CVLOctets(b.constData()), k.n) << k.n;
    }
    EXPECT_EQ(MKL(-1), MKL(0));
    EXPECT_EQ(MKL(-2147483647 - 1), MKL(0));
    // a spread of the whole range, and the digit 254 next to every power
    for (int64_t n = 0; n <= 2147483647; n += 21474836) {
        const QString s = MKL(int32_t(n));
        for (QChar c : s) ASSERT_NE(Asc(c), 255);
        ASSERT_EQ(CVL(FromCp1252(ToCp1252(s))), n);
    }
    for (int32_t n : {253, 254, 65024, 65026, 16581374, 16581375, 16581376}) EXPECT_EQ(CVL(MKL(n)), n);
    EXPECT_TRUE(rapports().isEmpty());
}

TEST_F(ConversionsTest, Base255Failures) {
    // a missing fourth digit counts as 0, reported once
    EXPECT_EQ(CVL(QString(Chr(1)) + Chr(1) + Chr(0)), 256);
    ASSERT_EQ(rapports().size(), 1);
    EXPECT_TRUE(rapports()[0].endsWith(QStringLiteral("Source:Lib_Systeme:CVL:10")));

    ReinitialiserListes();
    EXPECT_EQ(CVL(QString()), 0);
    EXPECT_EQ(rapports().size(), 4);

    // a fourth digit of 130 or more does not fit: that term stays 0
    ReinitialiserListes();
    const char grand[4] = {5, 0, 0, char(130)};
    EXPECT_EQ(CVLOctets(grand), 5);
    ASSERT_EQ(rapports().size(), 1);
    EXPECT_TRUE(rapports()[0].endsWith(QStringLiteral("Source:Lib_Systeme:CVL:10")));

    // every term fits, the sum does not
    ReinitialiserListes();
    const char somme[4] = {char(255), char(255), char(255), char(129)};
    EXPECT_EQ(CVLOctets(somme), 0);
    ASSERT_EQ(rapports().size(), 1);
    EXPECT_TRUE(rapports()[0].endsWith(QStringLiteral("Source:Lib_Systeme:CVL:50")));
}

}  // namespace
