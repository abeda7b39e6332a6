#pragma once
// The program's only visible window: the menu bar, the search strip (local and web search), the
// main tab strip with the music and advertising pages and the incident page, and the timers. Its
// caption is the title of every message box of the program.
#include "shell/control_slot.h"

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QBoxLayout;
class QResizeEvent;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;

namespace Cle {
inline constexpr const char* CheckIncidents_Click = "Frm_Main:CheckIncidents_Click";
inline constexpr const char* TimerFlash_Timer = "Frm_Main:TimerFlash_Timer";
inline constexpr const char* CommandIncidentsPurge_Click = "Frm_Main:CommandIncidentsPurge_Click";
inline constexpr const char* SftTabsMain_Switched = "Frm_Main:SftTabsMain_Switched";
inline constexpr const char* CreationDesObjets = "Frm_Main:CreationDesObjets";
}  // namespace Cle

// Tab indexes of the strips (the incident tab is hidden until there is an incident to show).
namespace Onglet {
enum : int { Musique = 0, Publicite = 1, Incidents = 2 };
enum : int { Local = 0, Web = 1 };
}  // namespace Onglet

class Frm_Main : public QMainWindow {
    Q_OBJECT
public:
    explicit Frm_Main(QWidget* parent = nullptr);
    ~Frm_Main() override;

    // "Ondrune: Tools Kirvo - " and the version: the caption once the start-up has set it.
    static QString CaptionNormale();

    // --- search strip ---
    QTabWidget* SftTabsLocalWeb = nullptr;
    QGroupBox* MyFrameLocalRecherche = nullptr;
    QPushButton* CommandLocalRecherche = nullptr;
    QLineEdit* TexteRecherche = nullptr;
    // The local search's three lists: which field to match, how to match it, and in which station.
    std::array<QComboBox*, 3> ComboRecherche{};
    std::array<QLabel*, 3> Label1{};  // 1 "Station", 2 "Filtre"
    QGroupBox* MyFrameWebRecherche = nullptr;
    QPushButton* CommandWebRecherche = nullptr;
    // Its current index is the StatutWeb value the web search asks for.
    QComboBox* ComboStatus = nullptr;

    // --- tab pages ---
    QTabWidget* SftTabsMain = nullptr;
    QTabWidget* SftTabsMusique = nullptr;
    QTabWidget* SftTabsPublicite = nullptr;
    // Each grid sits on the tab of the same index (GrillePubNo names the advertising ones).
    std::array<EmplacementControle*, 5> fpSpreadMusique{};
    std::array<EmplacementControle*, 7> fpSpreadPublicite{};
    EmplacementControle* PropertyGridPubRemplissage = nullptr;

    // --- incident page ---
    // Views of Listes().ListeIncidents(z) and the signal check boxes, one per zone; the page
    // only ever shows those of zone 0.
    std::vector<QListView*> ListeIncidents;
    std::vector<QCheckBox*> CheckIncidents;
    QCheckBox* CheckIncidentsFeuilleNonChargee = nullptr;
    std::array<QPushButton*, 1> CommandIncidentsPurge{};

    // --- timers (both disabled until needed) ---
    QTimer* TimerFlash = nullptr;   // 100 ms: flashing while an incident waits to be seen
    QTimer* TimerVeille = nullptr;  // 100 ms: one-shot stand-by after "/Veille=True"

    // The skin's hold on this window (set by the look).
    QObject* SkinFramework = nullptr;

    // --- menus ---
    QMenu* Mnu01 = nullptr;
    QAction* Mnu01Refresh = nullptr;
    QAction* Mnu01Sep40 = nullptr;
    QAction* Mnu01Veille = nullptr;
    QAction* Mnu01Sep50 = nullptr;
    QAction* Mnu01Options = nullptr;
    QAction* Mnu01Sep60 = nullptr;
    QAction* Mnu01Log = nullptr;
    QAction* Mnu01Sep90 = nullptr;
    QAction* MnuQuitter = nullptr;
    QMenu* MnuSynchroniserMain = nullptr;
    QAction* MnuSynchroniserMusPub = nullptr;
    QMenu* MnuSynchroniserMusMain = nullptr;
    std::array<QAction*, 6> MnuSynchroniserMus{};  // choosing them does nothing
    QMenu* MnuSynchroniserPubMain = nullptr;
    std::array<QAction*, 8> MnuSynchroniserPub{};
    QMenu* MnuSynchroniserParMain = nullptr;
    QAction* MnuSynchroniserParMus = nullptr;  // does nothing
    QMenu* MnuSynchroniserParPub = nullptr;
    std::array<QAction*, 1> MnuSynchroniserParPubPosDurEcr{};
    QMenu* Mnu99 = nullptr;
    std::array<QAction*, 2> MnuWhatNews{};
    QAction* Mnu99Sep99 = nullptr;
    QAction* Mnu99APropos = nullptr;

    // Set by the start-up when the command line asks for stand-by.
    bool bVeilleAuDemarrage = false;

    // Stand-by's answer to an incident (icon and tip of the notification area); set by the
    // stand-by code, called after the window's own handling.
    std::function<void()> IncidentEnVeille;

    // --- public members (defined with the commands they belong to) ---
    void AnnulerDragDropRecherche();
    void RelancerApplication();
    void PervasiveOuvertureFichiers(int16_t NoBase, int16_t NoStationInf, int16_t NoStationSup, int16_t& NoFic);
    void AfficherNote(const QString& Titre, const QString& Fichier, bool OuvrirMemeSiPasDeFichier,
                      const QString& ArtisteId, const QString& MorceauId);
    void Quitter(bool Forcer);

    // --- start-up (shell/startup.cpp) ---
    // The window object is created: the components the program needs, the program folder.
    void Form_Initialize();
    // The window is loaded: the whole start-up, the window shown at its end.
    void Form_Load();
    // The general initialisation, each step announced in the wait window. abandon is read at the
    // end only.
    void InitGeneral(bool& abandon);
    void InitGeneralSysteme();
    // Incident lists and signals of zones 1..NbZones-1, hidden.
    void CreationDesObjets();
    // End of the start-up: a signal that came while it ran is raised again on list 0.
    void RejouerIncidentDemarrage();

    // --- incident handling ---
    // The log's signal for zone z: CheckIncidents(z) = 1.
    void SignalerIncident(int zone);
    void CheckIncidents_Click(int Index);
    void TimerFlash_Timer();
    void CommandIncidentsPurge_Click(int Index);
    void SftTabsMain_Switched(int index);

    // --- page layout (shell/layout.cpp) ---
    // The window's size changed: the strips fill it (not while minimised), then the current page.
    void Form_Resize();
    // The page of the current tab fills its strip; nothing before the options window is loaded.
    void ResizeCurrentOngletMain();
    void SftTabsMusique_Switched(int index);
    void SftTabsPublicite_Switched(int index);

    // --- "Fichier" and "?" commands (shell/menu_commands.cpp, shell/history.cpp) ---
    void Mnu01Refresh_Click();
    void Mnu01Options_Click();
    void Mnu01Log_Click();
    void Mnu99APropos_Click();
    // 0 the local revision page, 1 the web page.
    void MnuWhatNews_Click(int Index);

    // --- stand-by (shell/standby.cpp) ---
    void Mnu01Veille_Click();
    void MiseEnVeilleForcee();
    void TimerVeille_Timer();
    // --- shutdown (shell/shutdown.cpp) ---
    // Why the window is closing, as Form_QueryUnload receives it.
    enum RaisonFermeture : int {
        FermetureUtilisateur = 0,  // the close box or the window menu
        FermetureCode = 1,         // the program itself
        FermetureSession = 2,      // the session is ending
        FermetureTaskManager = 3,  // the process was told to end
        FermetureMDI = 4,
        FermetureProprietaire = 5,
    };
    void MnuQuitter_Click();
    // cancel set to 1 keeps the window.
    void Form_QueryUnload(int& cancel, int UnloadMode);
    // The shutdown sequence.
    void Form_Unload();
    // Unloads the window for that reason: Form_QueryUnload, then (not cancelled) Form_Unload and
    // the window hidden. True when the window is unloaded afterwards.
    bool Decharger(int raison);
    // The shutdown has run: the window is inert.
    bool estDecharge() const { return decharge_; }

    // The state TimerFlash_Timer last gave the window (true: flashing half-period).
    bool etatFlash() const { return etatFlash_; }
    // Index of the first tab of SftTabsMain whose text is exactly "Incidents"; -1 when none.
    int ongletIncidents() const;

Q_SIGNALS:
    // The shutdown sequence has run: the program's event loop may end.
    void Decharge();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void construireMenus();
    QWidget* construireRecherche();
    QWidget* construireOnglets();
    QWidget* construirePageIncidents();
    // Views and check boxes up to n zones (those beyond 0 hidden).
    void assurerControlesIncidents(int n);

    QWidget* pageIncidents_ = nullptr;
    QBoxLayout* disposition_ = nullptr;  // the two strips side by side
    QWidget* ligneStation_ = nullptr;
    bool etatFlash_ = false;
    bool dechargementEnCours_ = false;  // Form_Unload is running
    bool decharge_ = false;             // Form_Unload has run
};

// The main window while it exists, else nullptr.
Frm_Main* FrmMain();
// A window of its own that the desktop keeps above the main window (owned by it), while the
// shutdown still closes it like any other window.
void PosseeParFrmMain(QWidget* fenetre);
