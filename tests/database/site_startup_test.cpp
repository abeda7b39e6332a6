#include "database/site_test_base.h"

#include "foundation/globals.h"
#include "platform/profile.h"
#include "support/scripted_dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace {

// What the choice window showed when the start-up opened it.
struct VuFenetre {
    int ouvertures = 0;
    QStringList bases;
    int selection = -2;
    QStringList stations;
};

class SiteStartupTest : public SiteTest {
protected:
    // The window is shown to a scripted user: what it shows is noted, then the action runs.
    void choisir(std::function<void(FrmSelectBase&)> action) {
        SetAffichageSelectionBase([this, action](FrmSelectBase& f) {
            ++vu.ouvertures;
            for (int i = 0; i < f.ComboBase->count(); ++i) vu.bases << f.ComboBase->itemText(i);
            vu.selection = f.ComboBase->currentIndex();
            for (int i = 0; i < f.ComboStation->count(); ++i) vu.stations << f.ComboStation->itemText(i);
            action(f);
        });
    }
    void pasDeFenetre() {
        SetAffichageSelectionBase([this](FrmSelectBase&) {
            ++vu.ouvertures;
            ADD_FAILURE() << "base choice window shown";
        });
    }
    void demarrer() {
        InitGeneralSite(-1);
        InitGeneralPath(-1);
    }
    static bool estDossier(const QString& chemin) { return QFileInfo(chemin).isDir(); }
    QString ini(const QString& fichier, const char* section, const char* cle) const {
        return LectureIni(fichier, QString::fromLatin1(section), QString::fromLatin1(cle), QStringLiteral("<absent>"));
    }
    VuFenetre vu;
};

TEST_F(SiteStartupTest, OneBaseFillsEntryZeroAndCreatesItsFolders) {
    construire(SiteStandard(1, 2));
    pasDeFenetre();
    demarrer();

    const TypeBaseInfo& b = BaseInfo[0];
    EXPECT_EQ(NbBase, 1);
    EXPECT_EQ(b.Lib, QStringLiteral("Base Nord"));
    EXPECT_EQ(b.NbStation, 2);
    EXPECT_EQ(b.Stations[0].Lib, QStringLiteral("Ondrune Nord 1"));
    EXPECT_EQ(b.Stations[1].Lib, QStringLiteral("Ondrune Nord 2"));
    EXPECT_EQ(DossierConfigGlobal[0], L("C:\\Tessival\\Ondrune\\Config\\Base_01\\"));
    EXPECT_EQ(b.ConfigFolder, DossierConfigGlobal[0]);
    EXPECT_EQ(b.DataFolder, L("D:\\Ondrune\\Data\\Base_01\\"));
    EXPECT_EQ(b.LocalIniFolder, L("C:\\Tessival\\Ondrune\\Local\\") + QStringLiteral("Serveur_Ini/Tools_Kirvo/00/"));
    EXPECT_EQ(b.ImageArtistFolder, L("C:\\Tessival\\Ondrune\\Shared\\Image\\Artiste\\"));
    EXPECT_EQ(b.ScheduleNotesFolder, L("C:\\Tessival\\Ondrune\\Notes\\Conducteur\\"));
    for (const QString& d : {b.LogFolder, b.LocalIniFolder, b.ImageTrackFolder, b.ImageCategoryFolder, b.BackupFolder,
                             b.NotesFolder, b.ScheduleNotesFolder, L("C:\\Tessival\\Ondrune\\Settings\\_Local\\")})
        EXPECT_TRUE(estDossier(d)) << d.toStdString();
    // Sound folders: the flagged ones as written, the others the default of their kind.
    EXPECT_TRUE(b.SoundFolders[0].Flag[1]);
    EXPECT_EQ(b.SoundFolders[0].Path[1], L("C:\\QD_Sons\\Jingles\\"));
    EXPECT_FALSE(b.SoundFolders[3].Flag[0]);
    EXPECT_EQ(b.SoundFolders[3].Path[0], L("C:\\QD_Sons\\Musique\\"));
    EXPECT_EQ(b.SoundFolders[9].Path[7], L("C:\\QD_Sons\\Autre\\"));
    EXPECT_TRUE(estDossier(L("C:\\QD_Sons\\Autre\\")));
    EXPECT_TRUE(journalContient(QStringLiteral("Local_INI_Folder: ") + b.LocalIniFolder));
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_EQ(vu.ouvertures, 0);
}

TEST_F(SiteStartupTest, AMissingSystemFileGivesDefaultsAndABaseCountBelowOneCountsAsOne) {
    struct Cas {
        const char* nbBase;
        bool avertissement;
    };
    const Cas cas[] = {{nullptr, false}, {"1", false}, {"0", true}, {"-2", true}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nbBase ? c.nbBase : "absent");
        reinitialiser();
        ReinitialiserListes();
        TestDialogs().reset();
        DescriptionSite d = SiteStandard(1, 1);
        d.bases[0].ecrireSysteme = false;
        construire(d);
        if (c.nbBase)
            EcritureIni(site->fichierConfig(), QStringLiteral("Site"), QStringLiteral("NbBase"),
                        QString::fromLatin1(c.nbBase));
        else
            ProfileSupprimerCle(site->fichierConfig(), QStringLiteral("Site"), QStringLiteral("NbBase"));
        pasDeFenetre();
        TestDialogs().answers = {Mb::No};  // the default data folder has no database
        demarrer();

        EXPECT_EQ(NbBase, 1);
        EXPECT_EQ(BaseInfo[0].Lib, QStringLiteral("Base 1"));
        EXPECT_EQ(BaseInfo[0].NbStation, 1);
        EXPECT_EQ(BaseInfo[0].Stations[0].Lib, QStringLiteral("Station 1"));
        EXPECT_EQ(BaseInfo[0].DataFolder, L("C:\\QD_Data\\"));
        EXPECT_TRUE(estDossier(BaseInfo[0].DataFolder));
        ASSERT_EQ(TestDialogs().shown.size(), 1u);
        EXPECT_EQ(journalContient(QStringLiteral("' |1 base used")), c.avertissement);
    }
}

TEST_F(SiteStartupTest, TheChosenBaseRunsWithItsOwnSettings) {
    DescriptionSite d = SiteStandard(3, 1);
    d.bases[1].stations = {QStringLiteral("Sud FM"), QStringLiteral("Sud Info"), QStringLiteral("Sud Classique")};
    construire(d);
    const QByteArray avant = contenu(site->fichierConfig());
    choisir([](FrmSelectBase& f) {
        f.ComboBase->setCurrentIndex(1);
        f.CommandFermer[0]->click();
    });
    demarrer();

    EXPECT_EQ(vu.ouvertures, 1);
    EXPECT_EQ(vu.bases,
              (QStringList{QStringLiteral("Base Nord"), QStringLiteral("Base Sud"), QStringLiteral("Base Est")}));
    EXPECT_EQ(vu.selection, 0);
    EXPECT_EQ(vu.stations, QStringList{QStringLiteral("Ondrune Nord 1")});
    EXPECT_TRUE(journalContient(QStringLiteral("Open Modal Form: FrmSelectBase")));
    // The choice is remembered for the next run.
    EXPECT_NE(contenu(site->fichierConfig()), avant);
    EXPECT_EQ(ini(site->fichierConfig(), "Site", "Dossier_Config_Global"), d.bases[1].dossierConfig);
    EXPECT_EQ(ini(site->fichierConfig(), "Site", "NoBase"), QStringLiteral("2"));
    EXPECT_EQ(NbBase, 1);
    EXPECT_EQ(ChoixBase, 0);
    EXPECT_EQ(NumeroBaseChoisie(), 2);
    // Entry 0 stays on base 2 through the later pass over every base.
    EXPECT_EQ(DossierConfigGlobal[0], L(d.bases[1].dossierConfig));
    // Base 2's own section, not base 1's.
    const TypeBaseInfo& b = BaseInfo[0];
    EXPECT_EQ(b.Lib, QStringLiteral("Base Sud"));
    EXPECT_EQ(b.NbStation, 3);
    EXPECT_EQ(b.Stations[2].Lib, QStringLiteral("Sud Classique"));
    EXPECT_EQ(b.DataFolder, L(d.bases[1].dossierData));
    EXPECT_EQ(b.ConfigFolder, L(d.bases[1].dossierConfig));
    EXPECT_TRUE(TestDialogs().shown.empty());
}

TEST_F(SiteStartupTest, TheWindowPreselectsTheBaseChosenLast) {
    struct Cas {
        const char* dossier;
        int selection;
    };
    const Cas cas[] = {
        {"C:\\Tessival\\Ondrune\\Config\\Base_02\\", 1},
        {"C:\\Tessival\\Ondrune\\Config\\Base_03", 2},    // the missing "\" is added before comparing
        {"c:\\tessival\\ondrune\\config\\base_02\\", 0},  // letter case counts
        {"", 0},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.dossier);
        reinitialiser();
        vu = VuFenetre{};
        DescriptionSite d = SiteStandard(3, 2);
        d.dossierConfigSite = QString::fromLatin1(c.dossier);
        construire(d);
        choisir([](FrmSelectBase& f) { f.CommandFermer[0]->click(); });
        InitGeneralSite(-1);
        EXPECT_EQ(vu.selection, c.selection);
        const QString region =
            QStringList{QStringLiteral("Nord"), QStringLiteral("Sud"), QStringLiteral("Est")}[c.selection];
        EXPECT_EQ(vu.stations, (QStringList{QStringLiteral("Ondrune ") + region + QStringLiteral(" 1"),
                                            QStringLiteral("Ondrune ") + region + QStringLiteral(" 2")}));
        EXPECT_EQ(BaseInfo[0].Lib, QStringLiteral("Base ") + region);
    }
}

TEST_F(SiteStartupTest, ItemTextsFallBackToTheFirstSectionThenToTheBaseNumber) {
    DescriptionSite d = SiteStandard(3, 1);
    d.bases[1].lib.clear();  // no [Base_02] "Lib"
    d.bases[2].ecrireSysteme = false;
    construire(d);
    EcritureIni(site->fichierSysteme(d.bases[1]), QStringLiteral("Base_01"), QStringLiteral("Lib"),
                QStringLiteral("Ancienne"));
    choisir([](FrmSelectBase& f) { f.CommandFermer[0]->click(); });
    InitGeneralSite(-1);
    EXPECT_EQ(vu.bases,
              (QStringList{QStringLiteral("Base Nord"), QStringLiteral("Ancienne"), QStringLiteral("Base 03")}));
}

TEST_F(SiteStartupTest, GivingUpTheChoiceEndsTheProgramAndWritesNothing) {
    const std::pair<const char*, std::function<void(FrmSelectBase&)>> cas[] = {
        {"Quitter", [](FrmSelectBase& f) { f.CommandFermer[1]->click(); }},
        {"close box",
         [](FrmSelectBase& f) {
             f.show();
             f.close();
         }},
        {"Valider without a base",
         [](FrmSelectBase& f) {
             f.ComboBase->setCurrentIndex(-1);
             f.CommandFermer[0]->click();
         }},
    };
    for (const auto& [nom, action] : cas) {
        SCOPED_TRACE(nom);
        reinitialiser();
        construire(SiteStandard(2, 1));
        const QByteArray avant = contenu(site->fichierConfig());
        choisir(action);
        // Given up by the user: not an error.
        try {
            InitGeneralSite(-1);
            ADD_FAILURE() << "the program did not end";
        } catch (const ProgramEnded& e) {
            EXPECT_EQ(e.code, 0);
        }
        EXPECT_EQ(ChoixBase, -1);
        EXPECT_EQ(contenu(site->fichierConfig()), avant);
        EXPECT_TRUE(BaseInfo[0].Lib.isEmpty());
    }
}

TEST_F(SiteStartupTest, BaseCurrentOnTheCommandLineSkipsTheWindow) {
    struct Cas {
        const char* ligne;
        const char* dossierSite;
        int base;
    };
    const Cas cas[] = {
        {"/Instance=2 /base=current", "C:\\Tessival\\Ondrune\\Config\\Base_03\\", 3},
        {"/BASE=CURRENT", "", 1},  // no base named: the first base's folder
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.ligne);
        reinitialiser();
        DescriptionSite d = SiteStandard(3, 1);
        d.dossierConfigSite = QString::fromLatin1(c.dossierSite);
        construire(d);
        const QByteArray avant = contenu(site->fichierConfig());
        LigneCommande = QString::fromLatin1(c.ligne);
        pasDeFenetre();
        demarrer();
        const BaseDuSite& b = d.bases[c.base - 1];
        EXPECT_EQ(NbBase, 1);
        EXPECT_EQ(ChoixBase, 0);
        EXPECT_EQ(DossierConfigGlobal[0], L(b.dossierConfig));
        EXPECT_EQ(BaseInfo[0].Lib, b.lib);
        EXPECT_EQ(BaseInfo[0].DataFolder, L(b.dossierData));
        EXPECT_EQ(contenu(site->fichierConfig()), avant);
    }
}

TEST_F(SiteStartupTest, TheMissingDatabaseQuestion) {
    const QString autre = QStringLiteral("E:\\Ailleurs\\Data\\");
    struct Cas {
        const char* nom;
        std::deque<int> reponses;
        std::deque<QString> dossiers;  // picker: empty means Cancel
        int questions;
        bool fin;
        bool nouveauDossier;
    };
    const Cas cas[] = {
        {"No goes on", {Mb::No}, {}, 1, false, false},
        {"Yes, picker cancelled, then No", {Mb::Yes, Mb::No}, {QString()}, 2, false, false},
        {"Yes and a folder holding the database", {Mb::Yes}, {L(autre)}, 1, false, true},
        {"Cancel ends the program", {Mb::Cancel}, {}, 1, true, false},
        // Yes for ever with the picker cancelled: the question is not asked without end.
        {"Yes for ever", {}, {}, 50, false, false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        reinitialiser();
        ReinitialiserListes();
        TestDialogs().reset();
        DescriptionSite d = SiteStandard(1, 1);
        d.bases[0].fichiers = {1};  // the base's files are there, but not FRAD000.bt6
        construire(d);
        // An empty FRAD000.bt6 counts as missing.
        QFile vide(L(d.bases[0].dossierData) + QStringLiteral("FRAD000.bt6"));
        ASSERT_TRUE(vide.open(QIODevice::WriteOnly));
        vide.close();
        ASSERT_TRUE(SiteFixture::creerFichiersBase(L(autre), {0}, 1));
        TestDialogs().answers = c.reponses;
        TestDialogs().folders = c.dossiers;
        pasDeFenetre();
        if (c.fin) {
            // No database to run on: an end on an error.
            try {
                demarrer();
                ADD_FAILURE() << "the program did not end";
            } catch (const ProgramEnded& e) {
                EXPECT_NE(e.code, 0);
            }
        } else {
            demarrer();
        }
        ASSERT_EQ(int(TestDialogs().shown.size()), c.questions);
        const BoiteAffichee& q = TestDialogs().shown[0];
        EXPECT_EQ(q.style, Mb::YesNoCancel | Mb::Question);
        EXPECT_EQ(q.prompt,
                  QStringLiteral("Impossible de trouver la base de données pour la base: Base Nord\r\n\r\nFichier '") +
                      L(d.bases[0].dossierData) +
                      QStringLiteral("FRAD000.bt6' non trouvé\r\n\r\nVoulez-vous rechercher manuellement la "
                                     "localisation de la base de données Ondrune ?"));
        if (c.fin) continue;
        EXPECT_EQ(journalContient(QStringLiteral(" not found |Start-up goes on")), c.questions == 50);
        const QString attendu = c.nouveauDossier ? L(autre) : L(d.bases[0].dossierData);
        EXPECT_EQ(BaseInfo[0].DataFolder, attendu);
        EXPECT_EQ(ini(site->fichierSysteme(d.bases[0]), "Base_01", "Dossier_Data"),
                  c.nouveauDossier ? L(autre) : d.bases[0].dossierData);
    }
}

TEST_F(SiteStartupTest, NotesFoldersMissingFromTheSystemFileComeFromXtSys) {
    struct Cas {
        const char* unc;
        const char* section;
    };
    const Cas cas[] = {{"0FF", "Repertoires"}, {"on", "Repertoires"}, {"ON", "Repertoires_UNC"}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.unc);
        reinitialiser();
        DescriptionSite d = SiteStandard(1, 1);
        construire(d);
        const QString S = site->fichierSysteme(d.bases[0]);
        const QString X = site->fichierXtSys(d.bases[0]);
        EcritureIni(S, QStringLiteral("Base_01"), QStringLiteral("Dossier_Notes"), QString());
        EcritureIni(S, QStringLiteral("Base_01"), QStringLiteral("Dossier_Notes_Schedule"), QString());
        EcritureIni(X, QStringLiteral("UNC_Actif"), QStringLiteral("REPBLOCNOTES"), QString::fromLatin1(c.unc));
        EcritureIni(X, QStringLiteral("Repertoires"), QStringLiteral("REPBLOCNOTES"), QStringLiteral("D:\\Notes"));
        EcritureIni(X, QStringLiteral("Repertoires_UNC"), QStringLiteral("REPBLOCNOTES"),
                    QStringLiteral("D:\\NotesReseau"));
        pasDeFenetre();
        demarrer();
        const QString lu = QString::fromLatin1(c.section) == QLatin1String("Repertoires")
                               ? QStringLiteral("D:\\Notes")
                               : QStringLiteral("D:\\NotesReseau");
        EXPECT_EQ(BaseInfo[0].NotesFolder, L(lu + QStringLiteral("\\")));
        EXPECT_EQ(ini(S, "Base_01", "Dossier_Notes"), lu + QStringLiteral("\\"));
        EXPECT_EQ(ini(S, "Base_01", "Dossier_Notes_Schedule"), lu);
        EXPECT_EQ(BaseInfo[0].ScheduleNotesFolder, BaseInfo[0].NotesFolder);
        EXPECT_TRUE(estDossier(BaseInfo[0].NotesFolder + QStringLiteral("Artiste")));
        EXPECT_TRUE(estDossier(BaseInfo[0].NotesFolder + QStringLiteral("Disque")));
        EXPECT_TRUE(journalContient(QStringLiteral("Notes_Folder: ") + BaseInfo[0].NotesFolder));
    }
}

TEST_F(SiteStartupTest, SoundFolderValues) {
    struct Cas {
        const char* valeur;
        bool flag;
        const char* chemin;
    };
    const Cas cas[] = {
        {"1:D:\\Jingles", true, "D:\\Jingles\\"},
        {"0:D:\\Jingles\\", false, "D:\\Jingles\\"},
        {"D:\\Jingles\\", false, "C:\\QD_Sons\\Autre\\"},  // no flag: the kind's default
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.valeur);
        reinitialiser();
        DescriptionSite d = SiteStandard(1, 1);
        construire(d);
        EcritureIni(site->fichierSysteme(d.bases[0]), QStringLiteral("Base_01_Sounds_Folders"),
                    QStringLiteral("Jin_04"), QString::fromLatin1(c.valeur));
        pasDeFenetre();
        demarrer();
        EXPECT_EQ(BaseInfo[0].SoundFolders[3].Flag[1], c.flag);
        EXPECT_EQ(BaseInfo[0].SoundFolders[3].Path[1], L(QString::fromLatin1(c.chemin)));
        EXPECT_TRUE(estDossier(BaseInfo[0].SoundFolders[3].Path[1]));
    }
}

TEST_F(SiteStartupTest, AnOlderSystemFileWithOnlyTheFirstSectionStillServesItsBase) {
    DescriptionSite d = SiteStandard(2, 1);
    construire(d);
    // Base 2's file written the old way, its settings under [Base_01].
    const QString S = site->fichierSysteme(d.bases[1]);
    QFile f(S);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Base_01]\r\nLib=Sud ancien\r\nNbStation=2\r\nDossier_Data=D:\\Ondrune\\Data\\Base_02\\\r\n");
    f.close();
    choisir([](FrmSelectBase& f) {
        f.ComboBase->setCurrentIndex(1);
        f.CommandFermer[0]->click();
    });
    demarrer();
    EXPECT_EQ(vu.bases.value(1), QStringLiteral("Sud ancien"));
    EXPECT_EQ(BaseInfo[0].Lib, QStringLiteral("Sud ancien"));
    EXPECT_EQ(BaseInfo[0].NbStation, 2);
    EXPECT_EQ(BaseInfo[0].DataFolder, L(d.bases[1].dossierData));
    EXPECT_TRUE(journalContient(QStringLiteral("[Base_02] not found |[Base_01] used")));
}

TEST_F(SiteStartupTest, SystemFilePathOfABase) {
    construire(SiteStandard(2, 1));
    EXPECT_EQ(DetermineFichierSysteme(1), L("C:\\Tessival\\Ondrune\\Config\\Base_02\\QD3_Systeme.ini"));
    EXPECT_EQ(FichierConfigIni, site->fichierConfig());
    // Outside the table: reported, and the bare file name.
    EXPECT_EQ(DetermineFichierSysteme(20), QStringLiteral("QD3_Systeme.ini"));
    EXPECT_FALSE(incidents().isEmpty());
}

}  // namespace
