#include "foundation/error_routine.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "support/fixture.h"

namespace {

class ErrorRoutineTest : public KirvoTest {
protected:
    // The text line of the framed report (the middle one of three).
    QString rapport() const {
        const QStringList l = lignesLog();
        if (l.size() != 3) return QStringLiteral("<%1 lignes>").arg(l.size());
        return l[1].mid(l[1].indexOf(QStringLiteral("Err:")));
    }
    void leve(int32_t n, const QString& desc, const QString& src, const char* key, int stmt = 40) {
        Proc p(key);
        p(stmt, [&] { throw AppError(n, desc, src); });
    }
};

TEST_F(ErrorRoutineTest, ReportTextTable) {
    const QString cent(100, QLatin1Char('d'));
    const QString longue = QStringLiteral("Un. Deux. ") + QString(95, QLatin1Char('x'));
    struct Cas {
        int32_t n;
        QString desc;
        QString src;
        const char* key;
        QString attendu;
    };
    const Cas cas[] = {
        {53, QStringLiteral("Fichier introuvable"), QStringLiteral("X"), "Lib_Systeme:File_Copy",
         QStringLiteral("Err: 53 (Fichier introuvable)  Source:Lib_Systeme:File_Copy:40")},
        {-2147221499, QStringLiteral("d"), QStringLiteral("clHttp"), "K:P",
         QStringLiteral("Err: 5 (d)  Source:K:P:40 (Source: clHttp)")},
        {-2147221504, QStringLiteral("d"), QStringLiteral("S"), "K:P",
         QStringLiteral("Err: -2147221504 (d)  Source:K:P:40")},
        {-2147155969, QStringLiteral("d"), QStringLiteral("S"), "K:P",
         QStringLiteral("Err: -2147155969 (d)  Source:K:P:40")},
        {-2147418113, QStringLiteral("d"), QStringLiteral("S"), "K:P",
         QStringLiteral("Err: -2147418113 (d)  Source:K:P:40")},
        {-2147221499, QStringLiteral("d"), QStringLiteral("  "), "K:P", QStringLiteral("Err: 5 (d)  Source:K:P:40")},
        {9, cent, QString(), "K:P", QStringLiteral("Err: 9 (") + cent + QStringLiteral(")  Source:K:P:40")},
        {9, longue, QString(), "K:P",
         QStringLiteral("Err: 9 (Un  Deux  ") + QString(95, QLatin1Char('x')) + QStringLiteral(")  Source:K:P:40")},
        {9, QStringLiteral("d"), QString(), "   ", QStringLiteral("Err: 9 (d)")},
    };
    for (const auto& k : cas) {
        ReinitialiserListes();
        leve(k.n, k.desc, k.src, k.key);
        EXPECT_EQ(rapport(), k.attendu) << k.n;
        EXPECT_EQ(DerniereErreur.Number, k.n);  // the last error stays readable after its report
    }
}

TEST_F(ErrorRoutineTest, FrameLinesAreAsLongAsTheText) {
    leve(53, QStringLiteral("Fichier introuvable"), QString(), "Lib_Systeme:File_Copy");
    const QStringList l = lignesLog();
    ASSERT_EQ(l.size(), 3);
    const QString t = rapport();
    EXPECT_TRUE(l[0].endsWith(QLatin1Char(':') + QString(t.size(), QLatin1Char('='))));
    EXPECT_EQ(Listes().incidents(0).count(), 1);
}

TEST_F(ErrorRoutineTest, ZoneBeyondNbZonesShowsNbZonesAndFilesUnderZeroList) {
    NbZones = 2;
    Listes().creerListesIncidents(2);
    Proc p("K:P");
    p.zone(5);
    p(10, [] { Raise(5); });
    EXPECT_TRUE(lignesLog()[1].startsWith(QStringLiteral("14:03:22:015 :2: : :")));
    EXPECT_EQ(Listes().incidents(0).count(), 1);
    EXPECT_EQ(Listes().incidents(1).count(), 0);
}

TEST_F(ErrorRoutineTest, NbZonesZeroKeepsZoneIndex) {
    Proc p("K:P");
    p.zone(0);
    p(10, [] { Raise(5); });
    EXPECT_TRUE(lignesLog()[1].startsWith(QStringLiteral("14:03:22:015 :0: : :")));
}

TEST_F(ErrorRoutineTest, NumberZeroLogsNothing) {
    DerniereErreur = {0, 10, QStringLiteral("d"), QStringLiteral("s")};
    GestionDesErreurs(-1, QStringLiteral("K:P"));
    EXPECT_EQ(lignesLog().size(), 0);
    EXPECT_EQ(DerniereErreur.Description, QStringLiteral("d"));
}

TEST_F(ErrorRoutineTest, DroppedWhileClosing) {
    bFermetureEnCours = true;
    leve(5, QStringLiteral("d"), QString(), "K:P");
    EXPECT_EQ(lignesLog().size(), 0);
    EXPECT_EQ(DerniereErreur.Number, 5);  // not cleared either
}

TEST_F(ErrorRoutineTest, ReportWhileReportingIsDropped) {
    // An error trapped while the first report's lines are being written (an incident handler
    // that fails) is not logged at all.
    int appels = 0;
    Listes().SurIncident = [&](int) {
        ++appels;
        Proc p("K:Interne");
        p(10, [] { Raise(6); });
    };
    leve(5, QStringLiteral("d"), QString(), "K:P");
    EXPECT_EQ(appels, 1);
    EXPECT_EQ(lignesLog().size(), 3);
    // and the busy flag is down again afterwards
    leve(7, QStringLiteral("e"), QString(), "K:P");
    EXPECT_EQ(lignesLog().size(), 6);
}

TEST_F(ErrorRoutineTest, StatementFailureResumesAndKeepsPreviousValue) {
    QString v = QStringLiteral("avant");
    int suite = 0;
    Proc p("K:P");
    EXPECT_FALSE(p(10, [&] {
        Raise(13);
        v = QStringLiteral("jamais");
    }));
    EXPECT_TRUE(p(20, [&] { ++suite; }));
    EXPECT_EQ(v, QStringLiteral("avant"));
    EXPECT_EQ(suite, 1);
    EXPECT_TRUE(rapport().endsWith(QStringLiteral("Source:K:P:10")));
}

TEST_F(ErrorRoutineTest, Variants) {
    {  // leave: later statements do not run
        Proc p("K:Leave");
        p.leaveOnError();
        int n = 0;
        p(10, [] { Raise(5); });
        p(20, [&] { ++n; });
        EXPECT_EQ(n, 0);
        EXPECT_TRUE(p.left());
    }
    {  // longer key
        ReinitialiserListes();
        Proc p("Lib_Public:N2S", Trace::None);
        p.keySuffix(QStringLiteral(" (Value: 1E+20)"));
        p(70, [] { Raise(6); });
        EXPECT_TRUE(rapport().endsWith(QStringLiteral("Source:Lib_Public:N2S (Value: 1E+20):70")));
    }
    {  // own treatment of a number
        ReinitialiserListes();
        Proc p("K:Own");
        p.handler([](int) { return DerniereErreur.Number == 52; });
        p(10, [] { Raise(52); });
        EXPECT_EQ(lignesLog().size(), 0);
        p(20, [] { Raise(53); });
        EXPECT_EQ(lignesLog().size(), 3);
    }
    {  // silent
        ReinitialiserListes();
        Proc p("K:Silent");
        p.silent();
        p(10, [] { Raise(5); });
        EXPECT_EQ(lignesLog().size(), 0);
        EXPECT_EQ(DerniereErreur.Number, 5);
    }
}

TEST_F(ErrorRoutineTest, ProgramEndIsNeverSwallowed) {
    Proc p("K:P");
    EXPECT_THROW(p(10, [] { FinProgramme(3); }), ProgramEnded);
}

}  // namespace
