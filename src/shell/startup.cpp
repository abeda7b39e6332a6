#include "shell/startup.h"

#include "database/base_choice_window.h"
#include "database/open_close.h"
#include "database/site_startup.h"
#include "database/zones.h"
#include "fill/nomenclature.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/restart_shortcut.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "options/options_window.h"
#include "platform/dialogs.h"
#include "platform/external_programs.h"
#include "platform/program_end.h"
#include "platform/registry.h"
#include "shell/clock_window.h"
#include "shell/command_line.h"
#include "shell/fill_page.h"
#include "shell/debug_window.h"
#include "shell/look.h"
#include "shell/local_search_button.h"
#include "shell/hidden_host.h"
#include "shell/main_window.h"
#include "shell/shell_globals.h"
#include "shell/shutdown.h"
#include "shell/single_instance.h"
#include "shell/wait_window.h"
#include "grids/list_grids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSslSocket>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <future>
#include <limits>
#include <optional>

bool bComposantsAbsents = false;

// The advertising grids in their places on the advertising page; their layout reads the hidden
// host's slot boxes and drag picture.
static void PlacerGrillesPublicite(Frm_Main& frm) {
    SetSourcesGrilles({[] {
                           std::vector<TrancheGrille> t;
                           auto& bis = FrmMainBis();
                           for (size_t k = 0; k < bis.ComboTrancheDeb.size(); ++k) {
                               const auto* fin = bis.ComboTrancheFin[k];
                               t.push_back({bis.ComboTrancheDeb[k]->currentIndex(), fin->currentIndex(),
                                            fin->currentText(),
                                            fin->count() > 0 && fin->currentIndex() == fin->count() - 1});
                           }
                           return t;
                       },
                       [] { return FrmMainBis().ImageDragAndDrop->pixmap(); }});
    for (int k = 0; k < GrillePubNo::Nombre; ++k) frm.fpSpreadPublicite[size_t(k)]->poser(GrillePub(k));
}
int32_t bThemeActif = 0;
int32_t DecalageTheme = 0;

namespace {

std::function<bool(Composant)> g_controleComposants;
// Whether secure connections are available, once known, and the thread finding it out meanwhile.
std::optional<bool> g_tlsPresent;
std::future<bool> g_tlsEnCours;
std::optional<QString> g_ligneCommande;

const QString kTitreComposants = QStringLiteral("Installation des composants Ondrune");
const QString kSautDouble = QStringLiteral("\r\n\r\n");

void pomper() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

QRect zoneEcran(const QWidget* w) {
    const QScreen* ecran = w->screen();
    if (!ecran) ecran = QGuiApplication::primaryScreen();
    return ecran ? ecran->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Once shown, the window's frame is known: the whole window, frame included, is brought inside
// the screen's available area.
void garderSurEcran(QWidget* w) {
    const QRect zone = zoneEcran(w);
    const QSize marges = w->frameGeometry().size() - w->size();
    const QSize maxi(std::max(zone.width() - marges.width(), 1), std::max(zone.height() - marges.height(), 1));
    if (w->width() > maxi.width() || w->height() > maxi.height())
        w->resize(std::min(w->width(), maxi.width()), std::min(w->height(), maxi.height()));
    const QRect f = w->frameGeometry();
    const int x = std::clamp(f.x(), zone.left(), std::max(zone.left(), zone.right() + 1 - f.width()));
    const int y = std::clamp(f.y(), zone.top(), std::max(zone.top(), zone.bottom() + 1 - f.height()));
    if (QPoint(x, y) != f.topLeft()) w->move(x, y);
}

}  // namespace

// --- seams and small helpers -------------------------------------------------------------------

std::optional<int> PixelsDeTwips(double twips) {
    const double px = twips / TwipsParPixel;
    if (!std::isfinite(px) || px < 0 || std::round(px) > CoteFenetreMax) return std::nullopt;
    return int(std::lround(px));
}

bool ComposantPresent(Composant c) {
    if (g_controleComposants) return g_controleComposants(c);
    switch (c) {
        case Composant::GrilleEtOnglets:
            return true;  // built into the program
        case Composant::ClientHttpTls:
            PreparerControleComposants();
            AttendreControleComposants();
            return g_tlsPresent.value_or(false);
    }
    return false;
}

void PreparerControleComposants() {
    if (!g_tlsPresent && !g_tlsEnCours.valid())
        g_tlsEnCours = std::async(std::launch::async, [] { return QSslSocket::supportsSsl(); });
}

void AttendreControleComposants() {
    // get() lets go of the thread's state, which joins the thread: its own end (Qt's data for a
    // thread it did not start) is over too when this returns.
    if (g_tlsEnCours.valid()) g_tlsPresent = g_tlsEnCours.get();
}

void SetControleComposants(std::function<bool(Composant)> controle) { g_controleComposants = std::move(controle); }

QString DossierProgramme() {
    QString d = qEnvironmentVariable("KIRVO_APP_DIR");
    if (d.trimmed().isEmpty() && QCoreApplication::instance()) d = QCoreApplication::applicationDirPath();
    if (d.trimmed().isEmpty()) d = QDir::currentPath();
    d = QDir::fromNativeSeparators(QDir(d).absolutePath());
    return CheckRep(d);
}

QString LigneCommandeDemarrage() { return g_ligneCommande ? *g_ligneCommande : LigneCommandeProgramme(); }
void SetLigneCommandeDemarrage(std::optional<QString> ligne) { g_ligneCommande = std::move(ligne); }

void EtapeDemarrage(const QString& texte, bool refresh, bool journal) {
    if (!bAfficherProgression) return;
    LabelMsgInit(texte);
    if (refresh) pomper();
    if (journal) Log(QStringLiteral("----- ") + LabelMsgInit() + QStringLiteral(" -----"));
}

bool DemarrerProgramme(Frm_Main& frm) {
    InstallerFrmMsg();
    InstallerRedemarrageSurErreurAutomation();
    LiensFrmSetup& liens = LiensSetup();
    liens.InitGeneral = [] { ::InitGeneral(); };
    liens.LookFenetre = [](QWidget* w) { LookFenetre(w); };
    SetLookFrmSelectBase([](QWidget* w) { LookFenetre(w); });
    LiensFrmPubNomenclature().LookFenetre = [](QWidget* w) { LookFenetre(w); };
    InstallerFenetreDebug();
    InstallerRechercheLocale(frm);
    liens.DossierConfigGlobal = [](int16_t base) {
        return base >= 0 && base < NbBasesSite ? DossierConfigGlobal[size_t(base)] : QString();
    };
    // The program ends when its shutdown has run, not when its last visible window closes: the
    // shutdown itself closes windows and may still ask a question.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) app->setQuitOnLastWindowClosed(false);
    InstallerFinsExterieures();

    frm.Form_Initialize();
    frm.Form_Load();
    return !frm.estDecharge();
}

int ExecuterProgramme(Frm_Main& frm) {
    // Refused at start-up (components missing, an earlier instance still there) or cut short: the
    // caller (a launcher, a session script) must see that the program did not run.
    if (!DemarrerProgramme(frm)) return CodeFinSurErreur;
    // Queued: the loop ends once the unload has run to its end.
    QObject::connect(&frm, &Frm_Main::Decharge, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    return QCoreApplication::exec();
}

void ReinitialiserDemarrage() {
    bComposantsAbsents = false;
    bThemeActif = 0;
    DecalageTheme = 0;
    g_controleComposants = {};
    g_ligneCommande.reset();
}

// --- Frm_Main: start-up ---------------------------------------------------------------------------

void Frm_Main::Form_Initialize() {
    Proc p(Cle::Form_Initialize);
    QString message;
    p(10, [&] {
        if (!ComposantPresent(Composant::GrilleEtOnglets))
            message = QStringLiteral(
                          "Cette mise-à-jour nécessite l'installation de la version 3.47.030 des composants Ondrune") +
                      kSautDouble;
    });
    p(20, [&] {
        if (message.isEmpty() && !ComposantPresent(Composant::ClientHttpTls))
            message = QStringLiteral(
                          "Cette mise-à-jour nécessite l'installation de la version 3.49.000 des composants Ondrune") +
                      kSautDouble;
    });
    if (!message.isEmpty()) {
        bComposantsAbsents = true;
        const QString adresse = QString::fromLatin1(AdresseInstallationComposants);
        p(30, [&] {
            message += QStringLiteral("Veuillez faire d'abord cette installation et relancer ensuite le programme") +
                       kSautDouble + QStringLiteral("Fichier pour faire cette installation:") + kSautDouble +
                       QStringLiteral("      ") + adresse + kSautDouble;
            MsgBox(message, Mb::Critical, kTitreComposants);
        });
        p(40, [&] {
            if (MsgBox(QStringLiteral("Voulez-vous télécharger le fichier et faire l'installation ?"),
                       Mb::YesNo | Mb::Question, kTitreComposants) == Mb::Yes)
                Lanceur().openDocument(adresse);
        });
        return;
    }
    p(50, [&] { DossierApplication = DossierProgramme(); });
}

void Frm_Main::Form_Load() {
    Proc p(Cle::Form_Load);
    if (bFermetureEnCours) return;

    bool continuer = !bComposantsAbsents;
    if (continuer) {
        p(30, [&] { CreerMutexSuite(); });
        p(40, [&] {
            bool fermerAutre = false;
            int32_t attente = 5000;
            continuer = TesterPrevInstance(this, fermerAutre, attente);
        });
    }
    if (!continuer) {
        p(90, [&] { Decharger(FermetureCode); });
        return;
    }

    uint64_t debut = 0;
    bool abandon = false;
    p(50, [&] { debut = GetTickCount64(); });
    // The workbook reader runs meanwhile; the nomenclature step takes its answer.
    PrelireNomenclature();
    p(60, [&] {
        LigneCommande = LigneCommandeDemarrage();
        if (!TrimBlancs(LigneCommande).isEmpty())
            AnalyseChaineCommand(LigneCommande);
        else
            NoInstance = 0;
    });
    p(70, [&] {
        int32_t style = -1;
        InitGeneralLook(style);
    });
    p(80, [&] { InitGeneral(abandon); });
    // A fatal report or the end of the session may have closed the program meanwhile.
    if (bFermetureEnCours) return;

    p(100, [&] { FrmMainBis(); });
    p(110, [&] { EtapeDemarrage(QStringLiteral("Tools Kirvo: Init: Create Object"), true, true); });
    p(111, [&] { CreationDesObjets(); });
    p(120, [&] { EtapeDemarrage(QStringLiteral("Tools Kirvo: Init: Tableur"), true, true); });
    p(121, [&] { PlacerGrillesPublicite(*this); });
    p(122, [&] { InitGeneralTableur(true, true); });
    p(130, [&] { EtapeDemarrage(QStringLiteral("Tools Kirvo: Init: PropertyGrid"), true, true); });
    p(131, [&] { PlacerPropertyGridRemplissage(*this); });
    p(140, [&] { EtapeDemarrage(QStringLiteral("Library: Setup: Init: Nomenclature"), true, false); });
    p(141, [&] { InitSettingsNomenclature(); });
    p(150, [&] { EtapeDemarrage(QStringLiteral("Tools Kirvo: Init: Display"), true, true); });
    if (bFermetureEnCours) return;

    // Size and state as they were left, kept on the screen.
    int etat = EtatMaximise;
    p(160, [&] {
        const QString F = NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini"));
        const QString nom = objectName();
        const QRect ecran = zoneEcran(this);
        const auto lire = [&](const char* cle, const QString& defaut) {
            return NombreEnTete(LectureIni(F, QStringLiteral("FrmPos"), nom + QString::fromLatin1(cle), defaut));
        };
        const auto enTwips = [](int px) { return QString::number(qint64(px) * TwipsParPixel); };
        int largeur = PixelsDeTwips(lire("_Width", enTwips(ecran.width()))).value_or(ecran.width());
        int hauteur = PixelsDeTwips(lire("_Height", enTwips(ecran.height()))).value_or(ecran.height());
        largeur = std::clamp(largeur, std::min(minimumSizeHint().width(), ecran.width()), ecran.width());
        hauteur = std::clamp(hauteur, std::min(minimumSizeHint().height(), ecran.height()), ecran.height());
        resize(largeur, hauteur);
        move(PositionFeuille(nom, frameGeometry().size(), ecran));
        // Only the three states are states: anything else is taken as missing.
        const double lu = lire("_WindowState", QStringLiteral("2"));
        etat = lu == double(EtatNormal) || lu == double(EtatMinimise) ? int(lu) : EtatMaximise;
    });
    p(170, [&] {
        if (!bAfficherProgression) return;
        AfficherFrmMsg(false, QString::fromLatin1(Cle::Form_Load));
        bAfficherProgression = false;
    });
    p(180, [&] {
        switch (etat) {
            case EtatMinimise:
                // Brought back later, the window must come up on the screen too.
                garderSurEcran(this);
                showMinimized();
                pomper();
                garderSurEcran(this);  // now with its frame
                break;
            case EtatMaximise:
                showMaximized();
                break;
            default:
                showNormal();
                pomper();
                garderSurEcran(this);
                break;
        }
        pomper();
    });
    p(190, [&] {
        if (ChronoDemande()) AfficherFrmChrono();
    });
    p(200, [&] { bInitTerminee = true; });
    p(210, [&] {
        const uint64_t ms = GetTickCount64() - debut;
        TraceLogEncadre(-1, -1, -1,
                        QStringLiteral("----- Init: Duration: ") + QString::number(ms) + QStringLiteral(" ms"),
                        QStringLiteral("="), false);
    });
    p(220, [&] {
        if (!VeilleDemandee(LigneCommande)) return;
        bVeilleAuDemarrage = true;
        TimerVeille->setSingleShot(true);
        TimerVeille->start();
    });
    p(230, [&] { RejouerIncidentDemarrage(); });
    p(240, [&] { ResizeCurrentOngletMain(); });
}

void Frm_Main::InitGeneral(bool& abandon) {
    Proc p(Cle::InitGeneralMain);
    p.zone(0);
    p(10, [&] { Log(QStringLiteral("FrmMain: Init General: Start")); });
    p(20, [&] { setWindowTitle(CaptionNormale()); });
    p(30, [&] { LookFenetre(this); });
    p(40, [&] {
        AfficherFrmMsg(true, QString::fromLatin1(Cle::InitGeneralMain));
        bAfficherProgression = true;
        pomper();
    });
    p(50, [&] { EtapeDemarrage(QStringLiteral("Tools Kirvo: Init: General"), true, false); });
    p(60, [&] {
        FormatDate = QStringLiteral("dd/MM/yyyy");
        FormatHeure = QStringLiteral("HH:MM:SS");
        InitGeneralSysteme();
    });
    p(70, [&] {
        EtapeDemarrage(QStringLiteral("Init: InitGeneralSite"), false, true);
        InitGeneralSite(-1);
    });
    p(80, [&] {
        EtapeDemarrage(QStringLiteral("Init: InitGeneralPath"), false, true);
        InitGeneralPath(-1);
    });
    p(90, [&] {
        EtapeDemarrage(QStringLiteral("Init: Frm_MainBis.InitGeneral"), false, true);
        FrmMainBis().InitGeneral();
    });
    p(100, [&] { EtapeDemarrage(QStringLiteral("Tools Kirvo: Init: General"), true, true); });
    p(110, [&] { ChargerFrmSetup(); });
    p(111, [&] { bParametresModifies = false; });
    if (bFermetureEnCours) return;

    p(120, [&] {
        for (int32_t& s : StationCourante)
            if (s == 0) s = 1;
        NoBaseCourante = 0;
        NoStationCourante = 1;
    });
    p.zone(20);

    const TypeBaseInfo& base = BaseInfo[0];
    p(130, [&] {
        EtapeDemarrage(QStringLiteral("Tools Kirvo: Open DataBase"), true, true);
        int16_t tous = -1;
        PervasiveOuvertureFichiers(NoBaseCourante, 1, base.NbStation, tous);
    });
    if (bFermetureEnCours) return;

    p(140, [&] {
        ComboRecherche[0]->clear();
        ComboRecherche[0]->addItems({QStringLiteral("Libellé"), QStringLiteral("Code")});
        ComboRecherche[0]->setCurrentIndex(0);
    });
    p(150, [&] {
        ComboRecherche[1]->clear();
        ComboRecherche[1]->addItems({QStringLiteral("Commence"), QStringLiteral("Contient")});
        ComboRecherche[1]->setCurrentIndex(0);
    });
    p(160, [&] { ComboRecherche[2]->clear(); });
    for (int i = 1; i <= base.NbStation; ++i) {
        // A base record holds ten stations: a number beyond is reported and left out.
        p(170, [&] {
            if (i > NbStationsBase) Raise(9);
            ComboRecherche[2]->addItem(base.Stations[size_t(i - 1)].Lib);
        });
    }
    p(180, [&] { ComboRecherche[2]->setCurrentIndex(0); });
    p(190, [&] {
        ComboStatus->clear();
        ComboStatus->addItems({QStringLiteral("Supprimé sur le Web"), QStringLiteral("Synchronisé"),
                               QStringLiteral("Créé sur le Web"), QStringLiteral("Modifié sur le Web")});
        ComboStatus->setCurrentIndex(2);
    });
    p(200, [&] {
        const int i = ongletIncidents();
        if (i >= 0) SftTabsMain->setTabVisible(i, false);
    });
    p(210, [&] { EtapeDemarrage(QStringLiteral("Tools Kirvo: InitLookTabs"), true, true); });
    p(220,
      [&] { VerificationEtCreationRepertoire(DossierApplication + QStringLiteral("Local/QD3_Tools_Kirvo/"), true); });
    p(230, [&] {
        if (!abandon) Log(QStringLiteral("FrmMain: Init General: End"));
    });
}

void Frm_Main::InitGeneralSysteme() {
    Proc p(Cle::InitGeneralSysteme, Trace::DebugOnly);
    QString valeur;
    p(10, [&] {
        Reg_GetValue(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"),
                     QStringLiteral("ThemeActive"), valeur);
    });
    p(20, [&] {
        const double n = NombreEnTete(valeur);
        if (n == 0) {
            bThemeActif = 0;
            DecalageTheme = 450;
        } else if (n == 1) {
            bThemeActif = 1;
            DecalageTheme = 550;
        }
    });
    p(30, [&] { GetVersionEx(InfoVersionOS); });
    p(40, [&] {
        FormatDate = QStringLiteral("dd/MM/yyyy");
        FormatHeure = QStringLiteral("HH:MM:SS");
    });
    p(50, [&] {
        if (TrimBlancs(DossierSettings).isEmpty()) NomDossierSettings();
    });
}

void Frm_Main::PervasiveOuvertureFichiers(int16_t NoBase, int16_t NoStationInf, int16_t NoStationSup, int16_t& NoFic) {
    ::PervasiveOuvertureFichiers(NoBase, NoStationInf, NoStationSup, NoFic);
}
