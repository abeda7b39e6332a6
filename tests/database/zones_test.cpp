#include "database/site_test_base.h"

#include "foundation/globals.h"
#include "platform/profile.h"

#include <QFileInfo>

namespace {

class ZonesTest : public SiteTest {
protected:
    void construireAvecZones(int nbZones, bool xtSys = true) {
        DescriptionSite d = SiteStandard(1, 1);
        d.nbZones = nbZones;
        d.bases[0].ecrireXtSys = xtSys;
        d.bases[0].fichiers.clear();
        construire(d);
        base = d.bases[0];
    }
    QString xtSys() const { return site->fichierXtSys(base); }
    void ecrireXt(const char* section, const char* cle, const QString& valeur) {
        ASSERT_TRUE(EcritureIni(xtSys(), QString::fromLatin1(section), QString::fromLatin1(cle), valeur));
    }
    static bool estDossier(const QString& chemin) { return QFileInfo(chemin).isDir(); }
    int lignesCommencant(const QString& debut) const {
        int n = 0;
        for (const QString& l : lignesLog())
            if (l.contains(debut)) ++n;
        return n;
    }
    BaseDuSite base;
};

TEST_F(ZonesTest, NumberOfZones) {
    struct Cas {
        const char* valeur;
        int zones;
    };
    const Cas cas[] = {{nullptr, 1}, {"0", 1}, {"-3", 1}, {"12", 8}, {"2.5", 2}, {"3.5", 4}, {"8", 8}, {"99999", 8}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.valeur ? c.valeur : "absent");
        reinitialiser();
        construireAvecZones(1);
        if (c.valeur)
            EcritureIni(site->fichierSettings(), QStringLiteral("General_Out"), QStringLiteral("NbZones"),
                        QString::fromLatin1(c.valeur));
        else
            ProfileSupprimerCle(site->fichierSettings(), QStringLiteral("General_Out"), QStringLiteral("NbZones"));
        NbZones = 0;
        InitGeneral();
        EXPECT_EQ(NbZones, c.zones);
        EXPECT_FALSE(DossierData[size_t(c.zones - 1)].isEmpty());
        if (c.zones < NbZonesMax) {
            EXPECT_TRUE(DossierData[size_t(c.zones)].isEmpty());
        }
    }
}

TEST_F(ZonesTest, EveryZoneGetsItsFoldersCreated) {
    construireAvecZones(8);
    InitGeneral();
    ASSERT_EQ(NbZones, 8);
    EXPECT_EQ(NoStationCourante, 1);
    const QString local = L(base.dossierLocal);
    for (int z = 0; z < 8; ++z) {
        SCOPED_TRACE(z);
        // One base: every zone reads the base's XT_SYS.ini.
        EXPECT_EQ(DossierConfigBase[size_t(z)], L(base.dossierConfig));
        EXPECT_EQ(DossierLocal[size_t(z)], local);
        EXPECT_EQ(DossierIniLocal[size_t(z)], local + QStringLiteral("Serveur_Ini/Tools_Kirvo/0%1/").arg(z));
        EXPECT_EQ(DossierData[size_t(z)], L(base.dossierData));
        EXPECT_EQ(DossierNotes[size_t(z)], L(base.dossierNotes));
        EXPECT_EQ(DossierPartage[size_t(z)], L(base.dossierPartage));
        for (const QString& d : {DossierIniLocal[size_t(z)], DossierNotes[size_t(z)], DossierPartage[size_t(z)]})
            EXPECT_TRUE(estDossier(d)) << d.toStdString();
        // Sound folders: the station's entries, else the local folder at index 0.
        const DossiersSonsZone& s = DossiersSons[size_t(z)];
        EXPECT_EQ(s[0][0], L("C:\\QD_Sons\\Musique\\"));
        EXPECT_EQ(s[1][0], L("C:\\QD_Sons\\Jingles\\"));
        EXPECT_EQ(s[6][0], L("C:\\QD_Sons\\Pub\\"));
        EXPECT_EQ(s[2][0], local);
        EXPECT_EQ(s[8][0], local + QStringLiteral("Sons_Recorder/"));
        EXPECT_TRUE(s[1][1].isEmpty());
    }
    EXPECT_EQ(CheminLog, L(base.dossierLog) + QStringLiteral("Histo_QD3_Tools_Kirvo/"));
    EXPECT_TRUE(estDossier(CheminLog));
    EXPECT_TRUE(estDossier(DossierApplication + QStringLiteral("Settings/_Local/")));
    // Zone 0 alone names its local and log folders; every zone names its data folder.
    EXPECT_EQ(lignesCommencant(QStringLiteral("Local_Folder: ")), 1);
    EXPECT_EQ(lignesCommencant(QStringLiteral("Log_Tech_Folder: ")), 1);
    EXPECT_EQ(lignesCommencant(QStringLiteral("Data_Folder: ")), 8);
    EXPECT_EQ(lignesCommencant(QStringLiteral("FrmSetup: Init General: End")), 1);
    EXPECT_TRUE(incidents().isEmpty());
}

TEST_F(ZonesTest, TheInstanceHasItsOwnFolders) {
    struct Cas {
        int16_t instance;
        const char* log;
        const char* ini;
    };
    const Cas cas[] = {{0, "Histo_QD3_Tools_Kirvo/", "Serveur_Ini/Tools_Kirvo/00/"},
                       {3, "Histo_QD3_Tools_Kirvo/Instance_3/", "Serveur_Ini/Tools_Kirvo/00_Instance_3/"}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.instance);
        reinitialiser();
        construireAvecZones(1);
        NoInstance = c.instance;
        InitGeneral();
        EXPECT_EQ(CheminLog, L(base.dossierLog) + QString::fromLatin1(c.log));
        EXPECT_EQ(DossierIniLocal[0], L(base.dossierLocal) + QString::fromLatin1(c.ini));
        EXPECT_TRUE(estDossier(CheminLog));
        EXPECT_TRUE(estDossier(DossierIniLocal[0]));
    }
}

TEST_F(ZonesTest, WithoutXtSysEveryFolderTakesItsDefault) {
    construireAvecZones(1, false);
    InitGeneral();
    EXPECT_EQ(DossierData[0], L("C:\\BTRieve\\Data\\"));
    EXPECT_EQ(DossierLocal[0], DossierApplication);
    EXPECT_EQ(DossierNotes[0], DossierApplication);
    EXPECT_EQ(CheminLog, L("C:\\Sentolo\\") + QStringLiteral("Histo_QD3_Tools_Kirvo/"));
    EXPECT_EQ(DossiersSons[0][0][0], DossierApplication);
    EXPECT_TRUE(DossiersSons[0][0][1].isEmpty());
}

TEST_F(ZonesTest, EachFolderKeyHasItsOwnNetworkSwitch) {
    construireAvecZones(1);
    ecrireXt("UNC_Actif", "REPBLOCNOTES", QStringLiteral("ON"));
    ecrireXt("Repertoires_UNC", "REPBLOCNOTES", QStringLiteral("\\\\SERVEUR\\Ondrune\\Notes"));
    // The shared folder is switched to the network section, which lacks it: its default.
    ecrireXt("UNC_Actif", "REPPARTAGE", QStringLiteral("ON"));
    ecrireXt("UNC_Actif", "REPBTR", QStringLiteral("on"));  // not "ON"
    ecrireXt("Repertoires_UNC", "REPBTR", QStringLiteral("\\\\SERVEUR\\Data\\"));
    InitGeneral();
    EXPECT_EQ(DossierNotes[0], L("\\\\SERVEUR\\Ondrune\\Notes\\"));
    EXPECT_EQ(DossierPartage[0], DossierApplication);
    EXPECT_EQ(DossierData[0], L(base.dossierData));
}

TEST_F(ZonesTest, SoundEntriesInUseArePacked) {
    construireAvecZones(1);
    ecrireXt("Repertoire_Station_001", "JIN_00", QStringLiteral("N,D:\\A"));
    ecrireXt("Repertoire_Station_001", "JIN_01", QStringLiteral("O,D:\\B"));
    ecrireXt("Repertoire_Station_001", "JIN_03", QStringLiteral("o,D:\\C"));  // flag in lower case
    ecrireXt("Repertoire_Station_001", "JIN_04", QStringLiteral("OD:\\D"));   // no comma
    ecrireXt("Repertoire_Station_001", "JIN_05", QStringLiteral("O,\\\\AUTRE\\Sons\\E"));
    ecrireXt("UNC_Actif001", "JIN_07", QStringLiteral("ON"));
    ecrireXt("Repertoire_Station_UNC_001", "JIN_07", QStringLiteral("O,\\\\AUTRE\\Sons\\F\\"));
    ecrireXt("Repertoire_Station_001", "JIN_07", QStringLiteral("O,D:\\Pas\\Celui-ci"));
    InitGeneral();
    const auto& jin = DossiersSons[0][1];
    EXPECT_EQ(jin[0], L("D:\\B\\"));
    EXPECT_EQ(jin[1], L("\\\\AUTRE\\Sons\\E\\"));
    EXPECT_EQ(jin[2], L("\\\\AUTRE\\Sons\\F\\"));
    EXPECT_TRUE(jin[3].isEmpty());
    EXPECT_TRUE(lignesLog().filter(QStringLiteral("Sound Folder: JIN: ")).size() == 3);
}

TEST_F(ZonesTest, ZonesAboveZeroShareItsConfigurationOnlyOnASingleBaseCount) {
    struct Cas {
        const char* sites;
        bool partage;
    };
    const Cas cas[] = {{nullptr, true}, {"1", true}, {"2", false}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.sites ? c.sites : "absent");
        reinitialiser();
        construireAvecZones(2);
        if (c.sites)
            EcritureIni(site->fichierConfig(), QStringLiteral("Sites"), QStringLiteral("NbBase"),
                        QString::fromLatin1(c.sites));
        InitGeneral();
        EXPECT_EQ(DossierConfigBase[1].isEmpty(), !c.partage);
        EXPECT_EQ(DossierData[1], c.partage ? L(base.dossierData) : L("C:\\BTRieve\\Data\\"));
    }
}

}  // namespace
