#include "database/site_test_base.h"

#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "support/scripted_dialogs.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>

namespace {

struct Appel {
    int16_t op, base, fichier;
    int32_t station;
    bool operator==(const Appel&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Appel& a) {
    return os << (a.op == BtrOp::Open ? "open " : "stop ") << a.base << "/" << a.fichier << "/" << a.station;
}

class OpenCloseTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        SetTemoinFichiers([this](int16_t op, int16_t b, int16_t f, int32_t s) { appels.push_back({op, b, f, s}); });
    }
    // A one-base site with its files, its data folder given to zone 0.
    void site1(int nbStations) {
        DescriptionSite d = SiteStandard(1, nbStations);
        construire(d);
        data = L(d.bases[0].dossierData);
        DossierData[0] = data;
    }
    static std::vector<Appel> attendus(int16_t op, std::initializer_list<int16_t> fichiers, int premiere,
                                       int derniere) {
        std::vector<Appel> v;
        for (int16_t f : fichiers)
            for (int s = premiere; s <= derniere; ++s) v.push_back({op, 0, f, s});
        return v;
    }
    void ouvrir(int16_t base, int16_t inf, int16_t sup, int16_t fic) {
        PervasiveOuvertureFichiers(base, inf, sup, fic);
    }
    std::vector<Appel> appels;
    QString data;
};

TEST_F(OpenCloseTest, TheStandardSetOpensInOrderAndIsReleasedInReverse) {
    site1(2);
    ouvrir(0, 1, 2, -1);
    EXPECT_EQ(appels, attendus(BtrOp::Open, {1, 2, 3, 4, 5, 6, 7, 8, 26, 27}, 1, 2));
    for (int f : FichiersStandard)
        for (int i = 0; i < 2; ++i) EXPECT_TRUE(FileOpen(0, i, f)) << f << "/" << i;
    EXPECT_FALSE(FileOpen(0, 2, 5));
    EXPECT_TRUE(FichiersOuverts[0]);
    // Per-station files have a name per station; the base's files one name for all.
    EXPECT_EQ(FileFullName(0, 5, 0), data + QStringLiteral("FRADA05.bt6"));
    EXPECT_EQ(FileFullName(0, 27, 1), data + QStringLiteral("FRADB27.bt6"));
    EXPECT_EQ(FileFullName(0, 26, 1), data + QStringLiteral("FRADB26.bt6"));
    EXPECT_EQ(FileFullName(0, 3, 1), data + QStringLiteral("FRAD003.bt6"));
    EXPECT_EQ(OpenedList.size(), 5 + 5 * 2);
    EXPECT_EQ(RecLen[3], CatalogueFichier(3).RecordLength);
    EXPECT_TRUE(journalContient(QStringLiteral("Pervasive Files: Opened")));

    // The wrapper can read every station's files now, file 26 included.
    for (int16_t f : {int16_t(3), int16_t(26), int16_t(27)}) {
        QString cle(LongueurCle(CatalogueFichier(f), 0), QLatin1Char(' '));
        BTRieve(0, BtrOp::GetFirst, cle, 0, f, 2, QStringLiteral("test"));
        EXPECT_EQ(BtrStatus, BtrStat::EndOfFile) << f;
    }

    appels.clear();
    PervasiveFermetureFichiers(0, 1, 2, -1);
    EXPECT_EQ(appels, attendus(BtrOp::Stop, {27, 26, 8, 7, 6, 5, 4, 3, 2, 1}, 1, 2));
    for (int f : FichiersStandard) EXPECT_FALSE(FileOpen(0, 1, f)) << f;
    EXPECT_FALSE(FichiersOuverts[0]);
    EXPECT_TRUE(journalContient(QStringLiteral("Pervasive Files: Closed")));
    EXPECT_TRUE(incidents().isEmpty()) << incidents().join(QLatin1Char('\n')).toStdString();
}

// Releasing one station's open of a file kept per base leaves the other stations' opens working
// (each open is its own), in whatever order the stations are released.
TEST_F(OpenCloseTest, ReleasingOneStationLeavesTheOthersOpen) {
    site1(3);
    ouvrir(0, 1, 3, -1);
    const auto lire = [](int32_t station) {
        QString cle(LongueurCle(CatalogueFichier(3), 0), QLatin1Char(' '));
        BTRieve(0, BtrOp::GetFirst, cle, 0, 3, station, QStringLiteral("test"));
        return BtrStatus;
    };
    for (const int16_t station : {int16_t(1), int16_t(3)}) {
        FichierPervasiveFermer(0, station, station, 3);
        EXPECT_FALSE(FileOpen(0, station - 1, 3));
    }
    EXPECT_TRUE(FileOpen(0, 1, 3));
    EXPECT_EQ(lire(2), BtrStat::EndOfFile);
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_TRUE(incidents().isEmpty()) << incidents().join(QLatin1Char('\n')).toStdString();
    PervasiveFermetureFichiers(0, 1, 3, -1);
}

TEST_F(OpenCloseTest, OpeningAnOpenBaseAgainReleasesItFirst) {
    site1(1);
    ouvrir(0, 1, 1, -1);
    appels.clear();
    ouvrir(0, 1, 1, -1);
    std::vector<Appel> attendu = attendus(BtrOp::Stop, {27, 26, 8, 7, 6, 5, 4, 3, 2, 1}, 1, 1);
    const std::vector<Appel> ouvertures = attendus(BtrOp::Open, {1, 2, 3, 4, 5, 6, 7, 8, 26, 27}, 1, 1);
    attendu.insert(attendu.end(), ouvertures.begin(), ouvertures.end());
    EXPECT_EQ(appels, attendu);
    QStringList ordre;
    for (const QString& l : lignesLog())
        if (l.contains(QStringLiteral("Pervasive Files: "))) ordre << l.section(QStringLiteral("Pervasive Files: "), 1);
    EXPECT_EQ(ordre, (QStringList{QStringLiteral("Opened"), QStringLiteral("Closed"), QStringLiteral("Opened")}));
    // Paths are listed once however often they are opened.
    EXPECT_EQ(OpenedList.size(), 10);
    EXPECT_TRUE(FileOpen(0, 0, 27));
}

TEST_F(OpenCloseTest, AMissingFileIsNamedAndLeftClosed) {
    site1(2);
    ASSERT_TRUE(QFile::remove(data + QStringLiteral("FRAD003.bt6")));
    ASSERT_TRUE(QFile::remove(data + QStringLiteral("FRADB05.bt6")));
    // An empty file counts as missing.
    QFile vide(data + QStringLiteral("FRADA26.bt6"));
    ASSERT_TRUE(vide.open(QIODevice::WriteOnly | QIODevice::Truncate));
    vide.close();
    ouvrir(0, 1, 2, -1);

    // The base's file is missing for each station it is opened for.
    const std::pair<const char*, int> manquants[] = {{"FRAD003.bt6", 2}, {"FRADB05.bt6", 1}, {"FRADA26.bt6", 1}};
    for (const auto& [nom, fois] : manquants) {
        const QString ligne =
            QStringLiteral("Err: File: ") + data + QString::fromLatin1(nom) + QStringLiteral(" not found |Not opened");
        EXPECT_EQ(incidents().filter(ligne).size(), fois) << nom;
    }
    EXPECT_FALSE(FileOpen(0, 0, 3));
    EXPECT_FALSE(FileOpen(0, 1, 3));
    EXPECT_TRUE(FileOpen(0, 0, 5));
    EXPECT_FALSE(FileOpen(0, 1, 5));
    EXPECT_FALSE(FileOpen(0, 0, 26));
    EXPECT_TRUE(FileOpen(0, 1, 26));
    // Nothing else is created than the files the program may create.
    EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("FRAD003.bt6")));
    EXPECT_TRUE(FichiersOuverts[0]);

    appels.clear();
    PervasiveFermetureFichiers(0, 1, 2, -1);
    for (const Appel& a : appels)
        EXPECT_FALSE(a.fichier == 3 || (a.fichier == 5 && a.station == 2) || (a.fichier == 26 && a.station == 1)) << a;
    EXPECT_EQ(appels.size(), 20u - 2u - 1u - 1u);
}

TEST_F(OpenCloseTest, TheSingleFileFormCreatesTheFilesItMay) {
    site1(1);
    // Present but empty: missing.
    QFile vide(data + QStringLiteral("FRADA40.bt6"));
    ASSERT_TRUE(vide.open(QIODevice::WriteOnly | QIODevice::Truncate));
    vide.close();
    ouvrir(0, 1, 1, 40);
    const QString chemin = data + QStringLiteral("FRADA40.bt6");
    EXPECT_TRUE(
        journalContient(QStringLiteral("File: ") + chemin + QStringLiteral(" not found |Create empty structure")));
    EXPECT_TRUE(journalContient(QStringLiteral("Pervasive File: 40: Opened")));
    ASSERT_TRUE(FileOpen(0, 0, 40));
    EXPECT_FALSE(FichiersOuverts[0]);
    BtrFileDescription desc;
    ASSERT_EQ(BtrDescribeFile(PosBlk(0, 0, 40).data(), &desc), BtrStat::Ok);
    EXPECT_EQ(desc.recordLength, 900u);
    EXPECT_EQ(desc.pageSize, 1024);
    EXPECT_EQ(desc.keyCount, 2);
    EXPECT_EQ(desc.fileFlags, FileFlagCompression);
    EXPECT_TRUE(incidents().isEmpty());

    PervasiveFermetureFichiers(0, 1, 1, 40);
    EXPECT_FALSE(FileOpen(0, 0, 40));
    EXPECT_TRUE(journalContient(QStringLiteral("Pervasive File: 40: Closed")));

    // Any other missing file stays missing.
    ouvrir(0, 1, 1, 30);
    EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("FRAD030.bt6")));
    EXPECT_FALSE(FileOpen(0, 0, 30));
    EXPECT_EQ(incidents().size(), 1);
}

TEST_F(OpenCloseTest, AFileGoneSinceItWasOpenedFailsWithStatus12) {
    site1(1);
    ouvrir(0, 1, 1, 3);
    PervasiveFermetureFichiers(0, 1, 1, 3);
    const QString chemin = data + QStringLiteral("FRAD003.bt6");
    ASSERT_TRUE(QFile::remove(chemin));
    appels.clear();
    TestDialogs().reset();
    ouvrir(0, 1, 1, 3);  // known to exist from the first open, but gone

    EXPECT_TRUE(appels.empty());
    EXPECT_FALSE(FileOpen(0, 0, 3));
    EXPECT_EQ(BtrStatus, 12);
    EXPECT_TRUE(BtrHistory[0][0].endsWith(QStringLiteral("File:03 (") + chemin +
                                          QStringLiteral(") Station:1 OP:00 K:00 [") + ClearChaine(chemin) +
                                          QStringLiteral("]")))
        << BtrHistory[0][0].toStdString();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.contains(ErreurBTrieveLibelle(12, chemin)));
    EXPECT_FALSE(QFileInfo::exists(chemin));
}

TEST_F(OpenCloseTest, ReleaseFailuresAreSilentOnceTheProgramCloses) {
    site1(1);
    for (bool fermeture : {false, true}) {
        SCOPED_TRACE(fermeture);
        ReinitialiserListes();
        bFermetureEnCours = fermeture;
        PervasiveFermetureFichiers(0, 11, 11, -1);  // no station 11
        EXPECT_EQ(incidents().isEmpty(), fermeture);
    }
}

TEST_F(OpenCloseTest, TheChosenBaseOpensItsOwnFiles) {
    DescriptionSite d = SiteStandard(2, 2);
    d.bases[1].stations << QStringLiteral("Sud Trois");
    construire(d);
    SetAffichageSelectionBase([](FrmSelectBase& f) {
        f.ComboBase->setCurrentIndex(1);
        f.CommandFermer[0]->click();
    });
    InitGeneralSite(-1);
    InitGeneralPath(-1);
    InitGeneral();
    NoBaseCourante = 0;
    StationCourante.fill(1);
    int16_t tout = -1;
    PervasiveOuvertureFichiers(NoBaseCourante, 1, BaseInfo[NoBaseCourante].NbStation, tout);

    const QString data2 = L(d.bases[1].dossierData);
    EXPECT_EQ(BaseInfo[0].NbStation, 3);
    EXPECT_EQ(DossierData[0], data2);
    EXPECT_EQ(FileFullName(0, 5, 2), data2 + QStringLiteral("FRADC05.bt6"));
    EXPECT_EQ(FileFullName(0, 1, 0), data2 + QStringLiteral("FRAD001.bt6"));
    EXPECT_TRUE(FileOpen(0, 2, 27));
    EXPECT_TRUE(incidents().isEmpty());
    EXPECT_TRUE(TestDialogs().shown.empty());

    // The shutdown releases each zone's files for its current station.
    appels.clear();
    bFermetureEnCours = true;
    for (int z = 0; z < NbZones; ++z)
        PervasiveFermetureFichiers(int16_t(z), int16_t(StationCourante[size_t(z)]), int16_t(StationCourante[size_t(z)]),
                                   -1);
    EXPECT_EQ(appels, attendus(BtrOp::Stop, {27, 26, 8, 7, 6, 5, 4, 3, 2, 1}, 1, 1));
    EXPECT_TRUE(FileOpen(0, 1, 27));
}

}  // namespace
