#include "foundation/daily_log.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/trace_log.h"
#include "foundation/window_helpers.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/external_programs.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QWidget>

namespace {

const QString P = QStringLiteral("==:==:==:====:=:=:=:");
const QString Cadre = P + QString(43, QLatin1Char('='));

class DailyLogTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserJournalJour();
        DossierApplication = tmp.path() + QStringLiteral("/");
        qputenv("KIRVO_REGISTRY_DIR", tmp.path().toUtf8());
        dossier = tmp.path() + QStringLiteral("/Log/");
        QDir().mkpath(dossier);
        CheminLog = dossier;
        bFrmSetupChargee = true;
        SetLanceur(&lanceur);
    }
    void TearDown() override {
        SetLanceur(nullptr);
        SetDialogues(&TestDialogs());
        qunsetenv("KIRVO_REGISTRY_DIR");
        KirvoTest::TearDown();
    }
    void ecrire() { TraceLogForce(Listes().ListeLog, QString(), false, false, QStringLiteral("Test:Ecrire")); }
    QStringList fichier(const QString& nom) const {
        QFile f(dossier + nom);
        if (!f.open(QIODevice::ReadOnly)) return {QStringLiteral("<absent>")};
        QString t = FromCp1252(f.readAll());
        EXPECT_TRUE(t.isEmpty() || t.endsWith(QStringLiteral("\r\n")));
        t.chop(2);
        return t.split(QStringLiteral("\r\n"));
    }
    static void creer(const QString& chemin) {
        QFile f(chemin);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // Lines after the header block (which ends with two frame lines).
    static QStringList apresEntete(const QStringList& l) {
        const qsizetype i = l.lastIndexOf(Cadre);
        return i < 0 ? l : l.mid(i + 1);
    }
    static qsizetype nbEntetes(const QStringList& l) { return l.count(Cadre) / 3; }

    QString dossier;
    RecordingLauncher lanceur;
};

TEST_F(DailyLogTest, FirstWriteOfTheRunIsAHeaderOnly) {
    horloge.setUptime(3725400);
    ecrire();
    const QStringList l = fichier(QStringLiteral("20240305.Log"));
    // No grid control file exists here, so its version line is left out.
    ASSERT_EQ(l.size(), 12) << l.join(QLatin1Char('\n')).toStdString();
    for (const QString& s : l) EXPECT_TRUE(s.startsWith(P)) << s.toStdString();
    EXPECT_EQ(l[0], Cadre);
    EXPECT_EQ(l[1], P + QStringLiteral("System started since 1 H 2 Min 5 Sec"));
    EXPECT_TRUE(l[2].startsWith(P + QStringLiteral("App.Version: ")));
    EXPECT_TRUE(l[3].startsWith(P + QStringLiteral("App.ExeName: ") + DossierApplication));
    EXPECT_TRUE(l[4].startsWith(P + QStringLiteral("App.ProductName: ")));
    EXPECT_TRUE(l[5].startsWith(P + QStringLiteral("Computer.Name: ")));
    EXPECT_EQ(l[6], P + QStringLiteral("ActiveTheme: WinClassic"));  // no theme value stored
    EXPECT_TRUE(l[7].startsWith(P + QStringLiteral("Operating System: ")));
    EXPECT_EQ(l[8], P + QStringLiteral("PropertyGrid.Version: ") + QString::fromLatin1(qVersion()));
    EXPECT_EQ(l[9], P + QStringLiteral("SkinFramework.Version: ") + QString::fromLatin1(qVersion()));
    EXPECT_EQ(l[10], Cadre);
    EXPECT_EQ(l[11], Cadre);

    // Same day: nothing more for an empty list, and no second header for new lines.
    ecrire();
    EXPECT_EQ(fichier(QStringLiteral("20240305.Log")).size(), 12);
    Log(QStringLiteral("un"));
    Log(QStringLiteral("deux"));
    const QStringList l2 = fichier(QStringLiteral("20240305.Log"));
    EXPECT_EQ(nbEntetes(l2), 1);
    ASSERT_EQ(apresEntete(l2).size(), 2);
    EXPECT_TRUE(apresEntete(l2)[1].endsWith(QStringLiteral(" : : :    :deux")));
    EXPECT_EQ(Listes().ListeLog.count(), 0);
}

TEST_F(DailyLogTest, MidnightStartsANewFileWithItsHeaderAndPurgesAgain) {
    // 45 days before 6 March 2024 is 21 January: the file of 20 January survives the first
    // day's purge (limit 20 January) and goes with the second's.
    creer(dossier + QStringLiteral("20240120.Log"));
    horloge.setNow(QDateTime(QDate(2024, 3, 5), QTime(23, 59, 59)));
    Log(QStringLiteral("avant"));
    EXPECT_TRUE(QFile::exists(dossier + QStringLiteral("20240120.Log")));
    horloge.advance(2000);
    Log(QStringLiteral("apres"));
    EXPECT_FALSE(QFile::exists(dossier + QStringLiteral("20240120.Log")));

    const QStringList hier = fichier(QStringLiteral("20240305.Log"));
    const QStringList jour = fichier(QStringLiteral("20240306.Log"));
    EXPECT_EQ(nbEntetes(hier), 1);
    EXPECT_EQ(nbEntetes(jour), 1);
    EXPECT_EQ(jour.first(), Cadre);
    ASSERT_EQ(apresEntete(hier).size(), 1);
    ASSERT_EQ(apresEntete(jour).size(), 1);
    EXPECT_TRUE(apresEntete(hier)[0].startsWith(QStringLiteral("23:59:59:000 ")));
    EXPECT_TRUE(apresEntete(jour)[0].endsWith(QStringLiteral("apres")));
}

TEST_F(DailyLogTest, UptimeText) {
    struct Cas {
        uint64_t ms;
        const char* texte;
    };
    const Cas cas[] = {
        {3725400, "1 H 2 Min 5 Sec"},
        {59600, "0 Min 0 Sec"},  // seconds round up to 60 and wrap, minutes round down
        {500, "0 Min 0 Sec"},    // halves go to the even second
        {1500, "0 Min 2 Sec"},
        {2500, "0 Min 2 Sec"},
        {245000, "4 Min 5 Sec"},
        {(3 * 3600 + 9) * 1000ull, "3 H 0 Min 9 Sec"},
        {((2 * 24 + 3) * 3600 + 4 * 60 + 5) * 1000ull, "2 D 3 H 4 Min 5 Sec"},
        {86400000ull, "1 D 0 H 0 Min 0 Sec"},
    };
    for (const auto& k : cas) EXPECT_EQ(TexteDepuisDemarrage(k.ms), QString::fromLatin1(k.texte)) << k.ms;
}

TEST_F(DailyLogTest, UptimeWarningsOncePerRun) {
    const QString w45 = QStringLiteral("Reboot needed because computer started since more 45 days");
    const QString w48 = QStringLiteral("Reboot needed because computer started since more 48 days");
    // a45, a48: warnings of the first header; lendemain: those of the next day's header.
    struct Cas {
        uint64_t heures;
        bool a45, a48;
        int lendemain;
    };
    // 50 days: past the first wrap of the machine's 32-bit millisecond counter (49.7 days).
    const Cas cas[] = {
        {45 * 24 + 23, false, false, 1}, {46 * 24, true, false, 0}, {49 * 24, true, true, 0}, {50 * 24, true, true, 0}};
    int n = 0;
    for (const auto& k : cas) {
        ReinitialiserJournalJour();
        ReinitialiserTraceLog();
        ReinitialiserListes();
        dossier = tmp.path() + QStringLiteral("/Log%1/").arg(++n);
        QDir().mkpath(dossier);
        CheminLog = dossier;
        horloge.setNow(QDateTime(QDate(2024, 3, 5), QTime(10, 0)));
        horloge.setUptime(k.heures * 3600000ull);
        TraceLog(-1, -1, -1, QStringLiteral("en attente"), false, -1, false);
        ecrire();
        QStringList attendu{QStringLiteral("en attente")};
        if (k.a45) attendu << w45;
        if (k.a48) attendu << w48;
        const QStringList entete = fichier(QStringLiteral("20240305.Log"));
        ASSERT_GE(entete.size(), 2);
        EXPECT_EQ(
            entete[1],
            P + QStringLiteral("System started since %1 D %2 H 0 Min 0 Sec").arg(k.heures / 24).arg(k.heures % 24));
        QStringList l = apresEntete(entete);
        for (QString& s : l) s = s.mid(s.lastIndexOf(QStringLiteral("    :")) + 5);
        EXPECT_EQ(l, attendu) << k.heures;
        EXPECT_EQ(Listes().incidents(0).count(), attendu.size() - 1);

        // The next day's header repeats none of them, but gives one newly due.
        horloge.advance(86400000);
        ecrire();
        const QStringList suite = apresEntete(fichier(QStringLiteral("20240306.Log")));
        ASSERT_EQ(suite.size(), k.lendemain) << k.heures;
        if (k.lendemain) {
            EXPECT_TRUE(suite[0].endsWith(w45));
        }
    }
}

TEST_F(DailyLogTest, PurgeDeletesOnlyOldDayFilesOfTheLogFolder) {
    horloge.setNow(QDateTime(QDate(2016, 3, 1), QTime(9, 0)));  // limit: 16 January 2016
    struct Cas {
        const char* nom;
        bool reste;
    };
    const Cas cas[] = {
        {"20160116.Log", true}, {"20160115.Log", false}, {"20150101.log", false}, {"20160301.Log", true},
        {"20160229.Log", true}, {"0000.Log", true},      {"Notes.Log", true},     {"2015010.Log", true},
        {"20150101.txt", true}, {"2015O101.Log", true},  {"00000000.Log", false}, {"20150101.Log.bak", true},
    };
    for (const auto& k : cas) creer(dossier + QString::fromLatin1(k.nom));
    QDir().mkpath(dossier + QStringLiteral("20150102.Log"));  // a folder is no day file
    creer(tmp.path() + QStringLiteral("/20150101.Log"));      // outside the log folder
    ecrire();
    for (const auto& k : cas) EXPECT_EQ(QFile::exists(dossier + QString::fromLatin1(k.nom)), k.reste) << k.nom;
    EXPECT_TRUE(QFileInfo(dossier + QStringLiteral("20150102.Log")).isDir());
    EXPECT_TRUE(QFile::exists(tmp.path() + QStringLiteral("/20150101.Log")));

    // Once a day: a file that turns up later the same day stays until tomorrow.
    creer(dossier + QStringLiteral("20150103.Log"));
    Log(QStringLiteral("x"));
    EXPECT_TRUE(QFile::exists(dossier + QStringLiteral("20150103.Log")));
}

TEST_F(DailyLogTest, LinesWaitForAnUnwritableFolderThenGoInOrder) {
    dossier = tmp.path() + QStringLiteral("/Absent/");
    CheminLog = dossier;
    Log(QStringLiteral("un"));
    Log(QStringLiteral("deux"));
    EXPECT_EQ(Listes().ListeLog.count(), 0);
    EXPECT_GE(LignesEnAttente(), 2);
    // One report for the outage, not one per line.
    int rapports = 0;
    for (const QString& s : Listes().incidents(0).lines())
        if (s.contains(QStringLiteral("Err: 76"))) ++rapports;
    EXPECT_EQ(rapports, 1);

    QDir().mkpath(dossier);
    Log(QStringLiteral("trois"));
    EXPECT_EQ(LignesEnAttente(), 0);
    const QStringList l = fichier(QStringLiteral("20240305.Log"));
    EXPECT_EQ(l.first(), Cadre);  // the header comes with the first write that succeeds
    EXPECT_EQ(nbEntetes(l), 1);
    const QStringList corps = apresEntete(l);
    auto position = [&](const QString& fin) {
        for (qsizetype i = 0; i < corps.size(); ++i)
            if (corps[i].contains(fin)) return i;
        return qsizetype(-1);
    };
    // The report of the failure was logged between the two lines and waited with them.
    EXPECT_EQ(position(QStringLiteral(":un")), 0);
    EXPECT_GT(position(QStringLiteral("Err: 76")), 0);
    EXPECT_GT(position(QStringLiteral(":deux")), position(QStringLiteral("Err: 76")));
    EXPECT_EQ(position(QStringLiteral(":trois")), corps.size() - 1);
}

TEST_F(DailyLogTest, KeptLinesAreBoundedAndTheGapIsSaid) {
    dossier = tmp.path() + QStringLiteral("/Absent/");
    CheminLog = dossier;
    for (int i = 0; i < LignesEnAttenteMax + 5; ++i) Listes().ListeLog.append(QStringLiteral("l%1").arg(i));
    ecrire();
    EXPECT_EQ(LignesEnAttente(), LignesEnAttenteMax);

    QDir().mkpath(dossier);
    ecrire();
    const QStringList corps = apresEntete(fichier(QStringLiteral("20240305.Log")));
    ASSERT_EQ(corps.size(), LignesEnAttenteMax + 1);
    EXPECT_TRUE(corps[0].contains(
        QRegularExpression(QStringLiteral(":Log: \\d+ lines lost while the log file could not be written$"))))
        << corps[0].toStdString();
    EXPECT_FALSE(corps.contains(QStringLiteral("l0")));
    EXPECT_TRUE(corps.contains(QStringLiteral("l%1").arg(LignesEnAttenteMax + 4)));
}

TEST_F(DailyLogTest, WithoutLogFolderNothingIsWrittenNorDeleted) {
    const QString ancien = QDir::currentPath();
    const QString courant = tmp.path() + QStringLiteral("/courant");
    QDir().mkpath(courant);
    creer(courant + QStringLiteral("/20000101.Log"));
    ASSERT_TRUE(QDir::setCurrent(courant));
    CheminLog = QStringLiteral("  ");
    Log(QStringLiteral("garde"));
    ecrire();
    const QStringList presents = QDir(courant).entryList(QDir::Files);
    QDir::setCurrent(ancien);
    EXPECT_EQ(presents, QStringList{QStringLiteral("20000101.Log")});
    EXPECT_EQ(QDir(dossier).entryList(QDir::Files).size(), 0);

    // Once the folder is set the kept line is written.
    CheminLog = dossier;
    Log(QStringLiteral("ensuite"));
    const QStringList corps = apresEntete(fichier(QStringLiteral("20240305.Log")));
    ASSERT_EQ(corps.size(), 2);
    EXPECT_TRUE(corps[0].endsWith(QStringLiteral(":garde")));
}

// The open dialog as the log reader sees it.
class DialogueFichier : public ScriptedDialogs {
public:
    QString propose, filtre;
    const QWidget* fenetre = nullptr;
    bool dessusPendant = true;
    QString pickOpenFile(const QString& title, const QString& dir, const QString& filter) override {
        propose = dir;
        filtre = filter;
        if (fenetre) dessusPendant = EstAuDessus(fenetre);
        return ScriptedDialogs::pickOpenFile(title, dir, filter);
    }
};

TEST_F(DailyLogTest, LectureLogWritesPendingLinesAndOpensTheChosenFile) {
    DialogueFichier d;
    SetDialogues(&d);
    // A window kept on top steps back while the dialog is open, and comes back after.
    QWidget dessus;
    dessus.show();
    AfficherAuDessus(&dessus, true);
    d.fenetre = &dessus;
    Listes().ListeLog.append(QStringLiteral("en attente"));
    LectureLog(dossier, QStringLiteral("P_"));
    EXPECT_EQ(d.propose, dossier + QStringLiteral("P_20240305.Log"));
    EXPECT_TRUE(d.filtre.contains(QStringLiteral("*.log")));
    EXPECT_EQ(lanceur.documents.size(), 0);  // cancelled
    EXPECT_FALSE(d.dessusPendant);
    EXPECT_TRUE(EstAuDessus(&dessus));
    EXPECT_EQ(apresEntete(fichier(QStringLiteral("20240305.Log"))), QStringList{QStringLiteral("en attente")});

    // A chosen name goes to the viewer as one argument, whatever it holds.
    const QString choisi = dossier + QStringLiteral("a b;$(x).Log");
    EcrireFichierTest(choisi, "x");  // the picker gives a file that is there
    d.files.push_back(choisi);
    LectureLog(dossier, QString());
    EXPECT_EQ(lanceur.documents, QStringList{choisi});
    EXPECT_TRUE(lanceur.programs.empty());
    EXPECT_EQ(lignesLog().size(), 0);
}

}  // namespace
