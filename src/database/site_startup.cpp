#include "database/site_startup.h"

#include "database/base_choice_window.h"
#include "database/site_helpers.h"
#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/network.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "platform/profile.h"
#include "platform/program_end.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QSet>

#include <memory>

int16_t NbBase = 0;
QString FichierConfigIni;
std::array<QString, NbBasesSite> DossierConfigGlobal;
std::array<TypeBaseInfo, NbBasesSite> BaseInfo;

using site::Element;

namespace {

const QString kSysteme = QStringLiteral("QD3_Systeme.ini");
const QString kSite = QStringLiteral("Site");
const QString kDossierConfig = QStringLiteral("Dossier_Config_Global");
const QString kFrad000 = QStringLiteral("FRAD000.bt6");

// Entry 0 of DossierConfigGlobal was set from the base chosen at this start-up (window or
// "/Base=Current"), and the number of that base.
bool bBaseChoisie = false;
int16_t noBaseChoisie = 1;

// How often the database question is asked before start-up goes on without it.
constexpr int kQuestionsDonneesMax = 50;

const char* const kPrefixesSons[NbGenresSons] = {"Mus_", "Jin_", "Lin_", "Rub_", "Inf_", "Pre_", "Pub_", "Tmp_"};

void log(int16_t base, const QString& texte) { TraceLog(base, -1, -1, texte); }

// Two folder texts of the configuration name the same folder: the same text, letter case
// included, whatever the form of their separators.
bool MemeDossier(const QString& a, const QString& b) {
    return !TrimBlancs(a).isEmpty() && site::DossierLocalise(a) == site::DossierLocalise(b);
}

// The base of the site that "/Base=Current" names through its folder: the base last chosen
// ([Site] "NoBase") when its folder is that one, else the first base with that folder, else base 1.
int16_t BaseDuDossier(const QString& D, int nbBases) {
    const int16_t note =
        int16_t(site::Arrondi(LectureIni(FichierConfigIni, kSite, QStringLiteral("NoBase"), QStringLiteral("0"))));
    if (note >= 1 && note <= nbBases &&
        MemeDossier(DetermineDossierConfig_Bases_Dossier(FichierConfigIni, note, true), D))
        return note;
    for (int n = 1; n <= nbBases; ++n)
        if (MemeDossier(DetermineDossierConfig_Bases_Dossier(FichierConfigIni, int16_t(n), true), D)) return int16_t(n);
    return 1;
}

// Fills BaseInfo(i) from the system file of base number n (from 1).
void RemplirBase(Proc& p, int i, int16_t n) {
    QString S, B;
    TypeBaseInfo* bi = nullptr;
    const int16_t z = int16_t(i);
    p(200, [&] { bi = &Element(BaseInfo, i); });
    if (!bi) return;
    TypeBaseInfo& b = *bi;
    p(210, [&] { S = DetermineFichierSysteme(int16_t(i)); });
    p(220, [&] { B = SectionBase(S, n); });
    auto lire = [&](const QString& section, const char* cle, const QString& defaut) {
        return LectureIni(S, section, QString::fromLatin1(cle), defaut);
    };

    p(230, [&] { b.Lib = lire(B, "Lib", QStringLiteral("Base ") + QString::number(n)); });
    p(240, [&] { b.NbStation = int16_t(site::Arrondi(lire(B, "NbStation", QStringLiteral("1")))); });
    p(250,
      [&] { b.ConfigFolder = site::DossierLocalise(DetermineDossierConfig_Fichier(DetermineDossierConfig(), n)); });
    p(260, [&] {
        b.LogFolder = site::DossierLocalise(lire(B, "Dossier_Log", QStringLiteral("C:\\Sentolo\\")));
        site::CreerDossier(b.LogFolder);
    });
    p(270, [&] {
        b.LocalFolder = site::DossierLocalise(
            lire(B, "Dossier_Local", QStringLiteral("C:\\Tessival\\Ondrune\\Settings\\_Local\\")));
        site::CreerDossier(b.LocalFolder);
    });
    p(280, [&] {
        b.LocalIniFolder = b.LocalFolder + CheckRep(QStringLiteral("Serveur_Ini/Tools_Kirvo/") + site::DeuxChiffres(i));
        site::CreerDossier(b.LocalIniFolder);
        log(z, QStringLiteral("Local_INI_Folder: ") + b.LocalIniFolder);
    });
    p(290, [&] {
        b.SharedFolder =
            site::DossierLocalise(lire(B, "Dossier_Shared", QStringLiteral("C:\\Tessival\\Ondrune\\Shared\\")));
        site::CreerDossier(b.SharedFolder);
        b.ImageArtistFolder = CheckRep(b.SharedFolder + QStringLiteral("Image/Artiste/"));
        site::CreerDossier(b.ImageArtistFolder);
        b.ImageTrackFolder = CheckRep(b.SharedFolder + QStringLiteral("Image/Morceau/"));
        site::CreerDossier(b.ImageTrackFolder);
        b.ImageCategoryFolder = CheckRep(b.SharedFolder + QStringLiteral("Image/Categorie/"));
        site::CreerDossier(b.ImageCategoryFolder);
    });
    p(300, [&] {
        b.DataFolder = site::DossierLocalise(lire(B, "Dossier_Data", QStringLiteral("C:\\QD_Data\\")));
        site::CreerDossier(b.DataFolder);
    });

    // The database must be found: the user may point at its folder, go on without it, or stop.
    const QString cle = QString::fromLatin1(Cle::InitGeneralSite);
    for (int tour = 0;; ++tour) {
        bool present = false;
        p(310, [&] { present = File_Exist(b.DataFolder + kFrad000, cle, true); });
        if (present) break;
        if (tour == kQuestionsDonneesMax) {
            // Never asked without end: start-up goes on as with No.
            log(z, QStringLiteral("Warning: Data_Folder: ") + b.DataFolder + kFrad000 +
                       QStringLiteral(" not found |Start-up goes on"));
            break;
        }
        int reponse = Mb::No;
        p(320, [&] {
            const QString crlf = QStringLiteral("\r\n");
            reponse = MsgBoxMain(
                QStringLiteral("Impossible de trouver la base de données pour la base: ") + b.Lib + crlf + crlf +
                    QStringLiteral("Fichier '") + b.DataFolder + kFrad000 + QStringLiteral("' non trouvé") + crlf +
                    crlf +
                    QStringLiteral(
                        "Voulez-vous rechercher manuellement la localisation de la base de données Ondrune ?"),
                Mb::YesNoCancel | Mb::Question);
        });
        // No database: the program cannot run, and whoever started it learns so.
        if (reponse == Mb::Cancel) FinProgramme(CodeFinSurErreur);
        if (reponse != Mb::Yes) break;
        p(330, [&] {
            QString T = b.DataFolder;
            if (T.size() > 1 && (T.endsWith(QLatin1Char('/')) || T.endsWith(QLatin1Char('\\')))) T.chop(1);
            QString R = FolderSelect(T, QString());
            if (R == QLatin1String("*")) return;
            R = CheckRep(R);
            if (File_Exist(R + kFrad000, cle, true)) EcritureIni(S, B, QStringLiteral("Dossier_Data"), R);
            b.DataFolder = R;
        });
        p(340, [&] { QCoreApplication::processEvents(); });
    }

    p(350, [&] {
        b.BackupFolder = site::DossierLocalise(
            lire(B + QStringLiteral("_Settings_Folders"), "Backup", QStringLiteral("C:\\QD_Data\\_Bkp\\")));
        site::CreerDossier(b.BackupFolder);
    });

    // Notes folders missing from the system file come from the base's "XT_SYS.ini" and are kept
    // in the system file from then on.
    QString X, Q;
    auto sectionNotes = [&] {
        if (!X.isEmpty()) return;
        X = b.ConfigFolder + QStringLiteral("XT_SYS.ini");
        Q = LectureIni(X, QStringLiteral("UNC_Actif"), QStringLiteral("REPBLOCNOTES"), QStringLiteral("0FF")) ==
                    QLatin1String("ON")
                ? QStringLiteral("Repertoires_UNC")
                : QStringLiteral("Repertoires");
    };
    p(360, [&] {
        QString notes = lire(B, "Dossier_Notes", QString());
        if (notes.isEmpty()) {
            sectionNotes();
            notes = site::AvecSeparateurFinal(
                LectureIni(X, Q, QStringLiteral("REPBLOCNOTES"), QStringLiteral("C:\\Tessival\\Ondrune\\Notes\\")));
            if (!notes.isEmpty()) EcritureIni(S, B, QStringLiteral("Dossier_Notes"), notes);
        }
        b.NotesFolder = site::DossierLocalise(notes);
        site::CreerDossier(b.NotesFolder);
        log(z, QStringLiteral("Notes_Folder: ") + b.NotesFolder);
        if (b.NotesFolder.isEmpty()) return;
        site::CreerDossier(b.NotesFolder + QStringLiteral("Artiste/"));
        site::CreerDossier(b.NotesFolder + QStringLiteral("Disque/"));
    });
    p(370, [&] {
        QString notes = lire(B, "Dossier_Notes_Schedule", QString());
        if (notes.isEmpty()) {
            sectionNotes();
            notes = LectureIni(X, Q, QStringLiteral("REPBLOCNOTES"),
                               QStringLiteral("C:\\Tessival\\Ondrune\\Notes\\Conducteur\\"));
            if (!notes.isEmpty()) EcritureIni(S, B, QStringLiteral("Dossier_Notes_Schedule"), notes);
        }
        b.ScheduleNotesFolder = site::DossierLocalise(notes);
        site::CreerDossier(b.ScheduleNotesFolder);
        log(z, QStringLiteral("Schedule_Notes_Folder: ") + b.ScheduleNotesFolder);
    });

    // Sound folders: each distinct folder is created once.
    p(380, [&] {
        const QString section = B + QStringLiteral("_Sounds_Folders");
        QSet<QString> crees;
        for (int s = 0; s < NbJeuxSons; ++s) {
            SoundFolderSet& jeu = b.SoundFolders[size_t(s)];
            for (int k = 0; k < NbGenresSons; ++k) {
                const QString DF =
                    k == 0 ? QStringLiteral("C:\\QD_Sons\\Musique\\") : QStringLiteral("C:\\QD_Sons\\Autre\\");
                const QString V = CheckRep(
                    LectureIni(S, section, QString::fromLatin1(kPrefixesSons[k]) + site::DeuxChiffres(s + 1), DF));
                QString chemin;
                if (V.startsWith(QLatin1String("0:"))) {
                    jeu.Flag[size_t(k)] = false;
                    chemin = V.mid(2);
                } else if (V.startsWith(QLatin1String("1:"))) {
                    jeu.Flag[size_t(k)] = true;
                    chemin = V.mid(2);
                } else {
                    jeu.Flag[size_t(k)] = false;
                    chemin = DF;
                }
                jeu.Path[size_t(k)] = site::DossierLocalise(chemin);
                const QString& d = jeu.Path[size_t(k)];
                if (TrimBlancs(d).isEmpty() || crees.contains(d.toLower())) continue;
                site::CreerDossier(d);
                crees.insert(d.toLower());
            }
        }
    });

    int16_t nbStations = b.NbStation;
    for (int s = 0; s < nbStations; ++s) {
        p(390, [&] {
            Element(b.Stations, s).Lib = lire(B + QStringLiteral("_Station_") + site::DeuxChiffres(s + 1), "Lib",
                                              QStringLiteral("Station ") + QString::number(s + 1));
        });
    }
}

}  // namespace

QString SectionBase(const QString& fichierSysteme, int numeroBase) {
    const QString B = QStringLiteral("Base_") + site::DeuxChiffres(numeroBase);
    const QString B01 = QStringLiteral("Base_01");
    if (B == B01) return B;
    const QString chemin = CheminIni(fichierSysteme);
    if (ProfileSectionExiste(chemin, B) || !ProfileSectionExiste(chemin, B01)) return B;
    TraceLog(-1, -1, -1,
             QStringLiteral("Warning: ") + fichierSysteme + QStringLiteral(": [") + B +
                 QStringLiteral("] not found |[Base_01] used"));
    return B01;
}

QString DetermineFichierSysteme(int16_t b) {
    Proc p(Cle::DetermineFichierSysteme);
    QString D;
    QString r = kSysteme;
    p(10, [&] {
        if (TrimBlancs(Element(DossierConfigGlobal, b)).isEmpty()) InitGeneralPath(b);
    });
    p(20, [&] {
        D = Element(DossierConfigGlobal, b);
        if (!TrimBlancs(D).isEmpty() && !FolderFound(D)) VerificationEtCreationRepertoire(D, true);
    });
    p(30, [&] { r = D + kSysteme; });
    return r;
}

void InitGeneralPath(int16_t b) {
    Proc p(Cle::InitGeneralPath);
    int debut = b, fin = b;
    p(10, [&] { FichierConfigIni = DetermineDossierConfig(); });
    p(20, [&] {
        if (b != -1) return;
        debut = 0;
        fin = NbBase - 1;
        // Before the site's base count is known, the configuration file gives it.
        if (fin < 0)
            fin = site::Arrondi(LectureIni(FichierConfigIni, kSite, QStringLiteral("NbBase"), QStringLiteral("1"))) - 1;
    });
    for (int k = debut; k <= fin; ++k) {
        // The base chosen at this start-up keeps entry 0.
        p(30, [&] {
            if (k == 0 && bBaseChoisie) return;
            Element(DossierConfigGlobal, k) =
                site::DossierLocalise(DetermineDossierConfig_Bases_Dossier(FichierConfigIni, int16_t(k + 1), true));
        });
        p(40, [&] {
            const QString& d = Element(DossierConfigGlobal, k);
            if (!TrimBlancs(d).isEmpty() && !FolderFound(d)) VerificationEtCreationRepertoire(d, true);
        });
    }
}

void InitGeneralSite(int16_t /*mode*/) {
    Proc p(Cle::InitGeneralSite);
    QString lu;
    p(10, [&] { DetermineFichierSysteme(0); });
    p(20, [&] {
        lu = LectureIni(FichierConfigIni, kSite, QStringLiteral("NbBase"), QStringLiteral("1"));
        NbBase = int16_t(site::Arrondi(lu));
    });
    p(30, [&] {
        // A site always has a base: a count of 0 or less is taken as 1.
        if (NbBase >= 1) return;
        TraceLog(-1, -1, -1,
                 QStringLiteral("Warning: QD3_Config.ini: [Site] NbBase: '") + lu + QStringLiteral("' |1 base used"));
        NbBase = 1;
    });

    const bool baseCourante = LigneCommande.contains(QLatin1String("/Base=Current"), Qt::CaseInsensitive);
    if (NbBase > 1 && baseCourante) {
        QString D;
        const int nbBases = NbBase;
        p(40, [&] { D = CheckRep(LectureIni(FichierConfigIni, kSite, kDossierConfig, QString())); });
        p(50, [&] {
            if (!TrimBlancs(D).isEmpty()) DossierConfigGlobal[0] = site::DossierLocalise(D);
        });
        p(60, [&] { noBaseChoisie = TrimBlancs(D).isEmpty() ? 1 : BaseDuDossier(D, nbBases); });
        p(70, [&] {
            NbBase = 1;
            ChoixBase = 0;
            bBaseChoisie = true;
        });
    } else if (NbBase > 1) {
        std::unique_ptr<FrmSelectBase> frm;
        QString D;
        int P = 0;
        bool trouve = false;
        p(100, [&] {
            frm = std::make_unique<FrmSelectBase>(FenetrePrincipale());
            frm->Form_Load();
            frm->ComboBase->clear();
        });
        p(110, [&] { D = CheckRep(LectureIni(FichierConfigIni, kSite, kDossierConfig, QString())); });
        p(120, [&] {
            for (int n = 1; n <= NbBase; ++n) {
                const QString F = DetermineDossierConfig_Bases_Dossier(FichierConfigIni, int16_t(n), true);
                // A base without a folder gets no item; the items keep their base numbers.
                if (TrimBlancs(F).isEmpty()) continue;
                if (!trouve && MemeDossier(F, D)) {
                    P = frm->ComboBase->count();
                    trouve = true;
                }
                const QString S = site::DossierLocalise(F) + kSysteme;
                const QString nn = site::DeuxChiffres(n);
                QString texte = LectureIni(S, QStringLiteral("Base_") + nn, QStringLiteral("Lib"), QString());
                if (TrimBlancs(texte).isEmpty())
                    texte = LectureIni(S, QStringLiteral("Base_01"), QStringLiteral("Lib"), QString());
                if (TrimBlancs(texte).isEmpty()) texte = QStringLiteral("Base ") + nn;
                frm->AjouterBase(texte, int16_t(n));
            }
        });
        p(130, [&] { frm->ComboBase->setCurrentIndex(P); });
        p(140, [&] {
            CacherFrmMsg();
            TraceLog(-1, -1, -1, QStringLiteral("Open Modal Form: ") + frm->objectName());
        });
        p(150, [&] { AfficherSelectionBase(*frm); });
        // Given up: the program ends here, before anything is written.
        if (ChoixBase == -1) FinProgramme(0);

        int16_t n = 1;
        p(160, [&] { n = frm->NumeroBase(ChoixBase); });
        if (n < 1) n = int16_t(ChoixBase + 1);
        frm.reset();
        p(170, [&] {
            EcritureIni(FichierConfigIni, kSite, kDossierConfig,
                        DetermineDossierConfig_Bases_Dossier(FichierConfigIni, n, true));
        });
        p(180, [&] { EcritureIni(FichierConfigIni, kSite, QStringLiteral("NoBase"), QString::number(n)); });
        p(190, [&] {
            if (TrimBlancs(Element(DossierConfigGlobal, n - 1)).isEmpty()) DetermineFichierSysteme(int16_t(n - 1));
            DossierConfigGlobal[0] = Element(DossierConfigGlobal, n - 1);
            noBaseChoisie = n;
            bBaseChoisie = true;
        });
        p(195, [&] {
            NbBase = 1;
            ChoixBase = 0;
        });
    }

    p(196, [&] {
        const QString L = LectureIni(FichierConfigIni, kSite, QStringLiteral("Settings_Local_Folder"),
                                     QStringLiteral("C:\\Tessival\\Ondrune\\Settings\\_Local\\"));
        site::CreerDossier(site::DossierLocalise(L));
    });

    const int nb = NbBase;
    for (int i = 0; i < nb; ++i) RemplirBase(p, i, i == 0 ? noBaseChoisie : int16_t(i + 1));
}

int16_t NumeroBaseChoisie() { return noBaseChoisie; }

void ReinitialiserSite() {
    NbBase = 0;
    FichierConfigIni.clear();
    DossierConfigGlobal.fill(QString());
    BaseInfo.fill(TypeBaseInfo{});
    bBaseChoisie = false;
    noBaseChoisie = 1;
}
