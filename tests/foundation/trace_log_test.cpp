#include "foundation/daily_log.h"
#include "foundation/error_routine.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "platform/cp1252.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>

namespace {

class TraceLogTest : public KirvoTest {};

// The delay column of the n-th line, characters 21..25 of a plain line.
QString delai(const QString& ligne) { return ligne.mid(20, 5); }

TEST_F(TraceLogTest, LineShapeAndIndexFields) {
    struct Cas {
        int16_t a, b, c;
        const char* champs;
    };
    const Cas cas[] = {
        {-1, -1, -1, " : : :"}, {2, -1, -1, "2: : :"},  {12, 0, 9, "12:0:9:"},
        {-1, -1, 10, " : :A:"}, {-1, -1, 35, " : :Z:"}, {-2, -2, 5, "Debug:"},
    };
    for (const auto& k : cas) {
        ReinitialiserListes();
        TraceLog(k.a, k.b, k.c, QStringLiteral("texte"));
        ASSERT_EQ(Listes().ListeLogTemp.count(), 1);
        const QString l = Listes().ListeLogTemp.at(0);
        EXPECT_EQ(l, QStringLiteral("14:03:22:015 :") + QString::fromLatin1(k.champs) +
                         l.mid(14 + int(strlen(k.champs)), 5) + QStringLiteral("texte"))
            << k.champs;
        EXPECT_TRUE(l.startsWith(QStringLiteral("14:03:22:015 :") + QString::fromLatin1(k.champs)));
    }
}

TEST_F(TraceLogTest, DelayColumnAddsUpShortGaps) {
    // gaps after the previous line, and the column expected
    struct Pas {
        int64_t ms;
        const char* col;
    };
    const Pas pas[] = {
        {0, "    :"},   // first line of the run
        {15, "    :"},  // <= 20: shown blank, count not restarted
        {10, "  25:"},  // 25 since the line that restarted the count
        {20, "    :"}, {1, "  21:"}, {9999, "9999:"}, {10000, "xxxx:"}, {30, "  30:"},
    };
    for (const auto& s : pas) {
        horloge.advance(s.ms);
        Log(QStringLiteral("x"));
        EXPECT_EQ(delai(Listes().ListeLogTemp.lines().last()), QString::fromLatin1(s.col)) << s.ms;
    }
}

TEST_F(TraceLogTest, BlankTextWritesNothingAndKeepsTheCount) {
    Log(QStringLiteral("a"));
    horloge.advance(30);
    TraceLog(-1, -1, -1, QStringLiteral("   "), true);
    EXPECT_EQ(Listes().ListeLogTemp.count(), 1);
    EXPECT_EQ(Listes().incidents(0).count(), 0);
    horloge.advance(5);
    Log(QStringLiteral("b"));
    EXPECT_EQ(delai(Listes().ListeLogTemp.at(1)), QStringLiteral("  35:"));
}

TEST_F(TraceLogTest, HoldingListMovesOverOnceOptionsLoaded) {
    Log(QStringLiteral("un"));
    Log(QStringLiteral("deux"));
    bFrmSetupChargee = true;
    Log(QStringLiteral("trois"));
    EXPECT_EQ(Listes().ListeLogTemp.count(), 0);
    ASSERT_EQ(Listes().ListeLog.count(), 3);
    EXPECT_TRUE(Listes().ListeLog.at(0).endsWith(QStringLiteral("un")));
    EXPECT_TRUE(Listes().ListeLog.at(2).endsWith(QStringLiteral("trois")));
}

TEST_F(TraceLogTest, ClosingWithoutOptionsWindowWritesNothing) {
    bFermetureEnCours = true;
    Log(QStringLiteral("perdu"));
    EXPECT_EQ(lignesLog().size(), 0);
    bFrmSetupChargee = true;
    Log(QStringLiteral("garde"));
    EXPECT_EQ(Listes().ListeLog.count(), 1);
}

TEST_F(TraceLogTest, IncidentRoutingAndText) {
    Listes().creerListesIncidents(3);
    TraceLog(3, -1, -1, QStringLiteral("  ::  Err: 5"), true);  // zone 3 of 3 lists: list 0
    TraceLog(1, -1, -1, QStringLiteral("zone un"), false, 0);   // iIncident >= 0 counts
    TraceLog(-1, -1, -1, QStringLiteral("sans zone"), true);
    TraceLog(2, -1, -1, QStringLiteral("pas un incident"), false, -1);
    ASSERT_EQ(Listes().incidents(0).count(), 2);
    EXPECT_EQ(Listes().incidents(0).at(0), QStringLiteral("05/03 14:03:22:015 :3: : :    :Err: 5"));
    EXPECT_TRUE(Listes().incidents(0).at(1).endsWith(QStringLiteral(": : :    :sans zone")));
    ASSERT_EQ(Listes().incidents(1).count(), 1);
    EXPECT_EQ(Listes().incidents(2).count(), 0);
    EXPECT_EQ(Listes().IncidentsSignales[0], 2);
    EXPECT_EQ(Listes().IncidentsSignales[1], 1);
    // the log line keeps the text unchanged
    EXPECT_TRUE(Listes().ListeLogTemp.at(0).endsWith(QStringLiteral("  ::  Err: 5")));
}

TEST_F(TraceLogTest, IncidentListEmptiedAboveThousandLines) {
    for (int i = 0; i < 1001; ++i) LogIncident(QStringLiteral("i"));
    EXPECT_EQ(Listes().incidents(0).count(), 1001);
    LogIncident(QStringLiteral("nouveau"));
    ASSERT_EQ(Listes().incidents(0).count(), 1);
    EXPECT_TRUE(Listes().incidents(0).at(0).endsWith(QStringLiteral("nouveau")));
}

TEST_F(TraceLogTest, DebugListNewestFirstAndCappedAt2000) {
    for (int i = 0; i < 2001; ++i) TraceDebugEcran(QString::number(i));
    EXPECT_EQ(Listes().ListeDebug.count(), 2001);
    EXPECT_EQ(Listes().ListeDebug.at(0), QStringLiteral("14:03:22:015 2000"));
    TraceDebugEcran(QStringLiteral("dernier"));
    ASSERT_EQ(Listes().ListeDebug.count(), 1);
}

TEST_F(TraceLogTest, FramedLines) {
    TraceLogEncadre(-1, -1, -1, QStringLiteral("abc"), QStringLiteral("="), false);
    TraceLogEncadre(-1, -1, -1, QStringLiteral("def"), QStringLiteral(" = "), false);
    const QStringList l = lignesLog();
    ASSERT_EQ(l.size(), 4);
    EXPECT_TRUE(l[0].endsWith(QStringLiteral(":===")));
    EXPECT_TRUE(l[1].endsWith(QStringLiteral(":abc")));
    EXPECT_TRUE(l[2].endsWith(QStringLiteral(":===")));
    EXPECT_TRUE(l[3].endsWith(QStringLiteral(":def")));
}

TEST_F(TraceLogTest, EntryTraceHalves) {
    { Proc p("Frm_Main:Form_Load"); }
    EXPECT_EQ(lignesLog().size(), 0);
    bTraceLogDebug = true;
    bTraceDebugEcran = true;
    { Proc p("Frm_Main:Form_Load"); }
    { Proc p("Lib_Public:Calibre", Trace::DebugOnly); }
    { Proc p("Lib_Public:N2S", Trace::None); }
    ASSERT_EQ(lignesLog().size(), 1);
    EXPECT_EQ(lignesLog()[0], QStringLiteral("14:03:22:015 :Debug:    :     Frm_Main:Form_Load"));
    ASSERT_EQ(Listes().ListeDebug.count(), 2);
    EXPECT_EQ(Listes().ListeDebug.at(0), QStringLiteral("14:03:22:015 Lib_Public:Calibre"));
}

TEST_F(TraceLogTest, TickCountSurvivesThe32BitWrap) {
    horloge.setUptime(4294967290ull);
    const uint64_t a = GetTickCount64();
    horloge.advance(10);  // the 32-bit reading is now 4
    const uint64_t b = GetTickCount64();
    EXPECT_EQ(a, 4294967290ull);
    EXPECT_EQ(b, 4294967300ull);
    horloge.advance(5);
    EXPECT_EQ(GetTickCount64(), 4294967305ull);
}

// A program started after one or more wraps of the 32-bit counter still counts from the
// machine's start, and goes on across the next wrap.
TEST_F(TraceLogTest, TickCountStartsFromTheRealUptime) {
    const uint64_t jour = 86400000ull;
    const uint64_t tour = 4294967296ull;
    struct Cas {
        uint64_t depart;
        int64_t avance;
        uint64_t ensuite;
    };
    const Cas cas[] = {
        {50 * jour, 1000, 50 * jour + 1000},
        {tour - 5, 10, tour + 5},
        {2 * tour - 5, 10, 2 * tour + 5},
        {120 * jour, 0, 120 * jour},
    };
    for (const Cas& c : cas) {
        ReinitialiserTraceLog();
        horloge.setUptime(c.depart);
        EXPECT_EQ(GetTickCount64(), c.depart);
        horloge.advance(c.avance);
        EXPECT_EQ(GetTickCount64(), c.ensuite) << c.depart;
    }
}

TEST_F(TraceLogTest, FreeFileNumberWarnsAboveTwo) {
    NumeroFichier f1(QStringLiteral("A"));
    NumeroFichier f2(QStringLiteral("B"));
    EXPECT_EQ(f1.numero(), 1);
    EXPECT_EQ(f2.numero(), 2);
    EXPECT_EQ(lignesLog().size(), 0);
    EXPECT_EQ(CheckFreeFile(QStringLiteral("Lib_Test:Appel"), false), 3);
    EXPECT_EQ(lignesLog().size(), 0);
    EXPECT_EQ(CheckFreeFile(QStringLiteral("Lib_Test:Appel"), true), 3);
    ASSERT_EQ(lignesLog().size(), 1);
    EXPECT_TRUE(lignesLog()[0].endsWith(QStringLiteral("FreeFile #3 |Sub: Lib_Test:Appel")));
}

TEST_F(TraceLogTest, ForcedWritePoints) {
    ReinitialiserJournalJour();
    DossierApplication = tmp.path() + QStringLiteral("/");
    const QString dossier = tmp.path() + QStringLiteral("/Log/");
    QDir().mkpath(dossier);
    CheminLog = dossier;
    const QString fichier = dossier + QStringLiteral("20240305.Log");
    auto corps = [&] {
        QFile f(fichier);
        if (!f.open(QIODevice::ReadOnly)) return QStringList();
        QStringList l = FromCp1252(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        l.removeIf([](const QString& s) { return s.startsWith(QStringLiteral("==:")); });  // header
        return l;
    };

    // Before the options window is loaded nothing is written, incidents included.
    LogIncident(QStringLiteral("avant"));
    EXPECT_FALSE(QFile::exists(fichier));
    bFrmSetupChargee = true;
    // No forced write asked: the line waits in the log list with the one moved over.
    TraceLog(-1, -1, -1, QStringLiteral("attend"), false, -1, false);
    EXPECT_FALSE(QFile::exists(fichier));
    EXPECT_EQ(Listes().ListeLog.count(), 2);
    // An incident line with a forced write takes the pending lines along, each written once.
    LogIncident(QStringLiteral("incident"));
    EXPECT_EQ(Listes().ListeLog.count(), 0);
    QStringList l = corps();
    ASSERT_EQ(l.size(), 3);
    EXPECT_TRUE(l[0].endsWith(QStringLiteral(":avant")));
    EXPECT_TRUE(l[1].endsWith(QStringLiteral(":attend")));
    EXPECT_TRUE(l[2].endsWith(QStringLiteral(":incident")));
    // A plain line is written at once.
    Log(QStringLiteral("simple"));
    l = corps();
    ASSERT_EQ(l.size(), 4);
    EXPECT_TRUE(l[3].endsWith(QStringLiteral(":simple")));
}

TEST_F(TraceLogTest, ErrorInsideIsReportedUnderTheCorrectedZone) {
    // The incident of zone 5 goes to list 0; a failure while signalling it is reported under
    // zone 0, not under the zone the caller gave.
    NbZones = 2;
    Listes().creerListesIncidents(2);
    bool echoue = false;
    Listes().SurIncident = [&](int) {
        if (echoue) return;
        echoue = true;
        Raise(13);
    };
    TraceLog(5, -1, -1, QStringLiteral("texte"), true);
    const QStringList l = lignesLog();
    ASSERT_EQ(l.size(), 4);
    EXPECT_TRUE(l[0].endsWith(QStringLiteral(":texte")));
    EXPECT_TRUE(l[2].startsWith(QStringLiteral("14:03:22:015 :0: : :")));
    EXPECT_TRUE(l[2].endsWith(QStringLiteral("  Source:Lib_Public:TraceLog:50"))) << l[2].toStdString();
}

}  // namespace
