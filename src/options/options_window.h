#pragma once
// The options window FrmSetup: the web service's address and credentials, the start-up options,
// the two entry-trace switches and the log list of the whole program. It is loaded once at
// start-up, then only shown and hidden until the shutdown unloads it. Its controls are what the
// rest of the program reads: an edit takes effect at once, saved or not. The settings files are
// read into the controls by the load and written from them only by the save command.
//
// Check boxes carry the values 0 (clear), 1 (ticked) and 2 (greyed), as the settings store them.
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class LienUDP;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;

namespace Cle {
inline constexpr const char* FrmSetup_Form_Load = "FrmSetup:Form_Load";
inline constexpr const char* FrmSetup_Form_Unload = "FrmSetup:Form_Unload";
inline constexpr const char* FrmSetup_Form_Activate = "FrmSetup:Form_Activate";
inline constexpr const char* FrmSetup_Form_QueryUnload = "FrmSetup:Form_QueryUnload";
inline constexpr const char* FrmSetup_Form_Resize = "FrmSetup:Form_Resize";
inline constexpr const char* FrmSetup_InitSettings = "FrmSetup:InitSettings";
inline constexpr const char* FrmSetup_SaveSettings = "FrmSetup:SaveSettings";
inline constexpr const char* FrmSetup_SaveSettingsParametres = "FrmSetup:SaveSettingsParametres";
inline constexpr const char* FrmSetup_MnuMainSave_Click = "FrmSetup:MnuMainSave_Click";
inline constexpr const char* FrmSetup_CommandSave_Click = "FrmSetup:CommandSave_Click";
inline constexpr const char* FrmSetup_MnuMainFermer_Click = "FrmSetup:MnuMainFermer_Click";
inline constexpr const char* FrmSetup_CommandFermer_Click = "FrmSetup:CommandFermer_Click";
inline constexpr const char* FrmSetup_CheckReboot_Click = "FrmSetup:CheckReboot_Click";
}  // namespace Cle

// The load of the window is running: its change and click handlers do nothing meanwhile.
extern bool bSetupEnChargement;
// The web address, user, password or start-up options were changed and not saved.
extern bool bOptionsModifiees;
// The UDP channel table was changed and not saved.
extern bool bPeripheriquesModifies;
// A third change flag that nothing sets; cleared by its save, the unload and the start-up.
extern bool bParametresModifies;

// Web address used until the per-base options file names one.
inline constexpr const char* AdresseWebParDefaut = "http://localhost/Kirvo/WebService/";

// What the window calls of parts that are wired in by the start-up. An empty entry is skipped,
// so the window loads, saves and unloads without them.
struct LiensFrmSetup {
    // FrmSetup.InitGeneral: the suite configuration loader (zones, per-base folders, NbZones).
    std::function<void()> InitGeneral;
    // DossierConfigGlobal(base): the base's configuration folder, which holds the per-base
    // "QD3_Tools_Kirvo.Ini". Unset or empty: DossierApplication + "Config/".
    std::function<QString(int16_t base)> DossierConfigGlobal;
    // The UDP channels: the computer's name and address, the channel table's load (which may
    // start listening) and its save (false when it could not be written). Unset: the window's own
    // UDP link does them.
    std::function<void()> InitUDP;
    std::function<void()> InitSettingsPeripheriques;
    std::function<bool()> SaveSettingsPeripheriques;
    // The program's look applied to the window.
    std::function<void(QWidget*)> LookFenetre;
};
LiensFrmSetup& LiensSetup();

// A check box's value: 0 clear, 1 ticked, 2 greyed.
int ValeurCase(const QCheckBox* c);
// Sets it; a value other than 0, 1 and 2 raises "Valeur de propriété non valide" (380).
void SetValeurCase(QCheckBox* c, int valeur);

class FrmSetup : public QMainWindow {
    Q_OBJECT
public:
    // proprietaire: the window it stays above (the main window); modeless all the same.
    explicit FrmSetup(QWidget* proprietaire = nullptr);
    ~FrmSetup() override;

    // --- the options interface ---
    QTabWidget* SftTabsOptions = nullptr;  // "Général", "Réseau", "Log"
    QGroupBox* MyFrameParametresWeb = nullptr;
    QLineEdit* TxtURL = nullptr;
    QLineEdit* TxtURLUser = nullptr;
    QLineEdit* TxtURLPW = nullptr;
    QGroupBox* MyFrameGeneral = nullptr;
    std::array<QCheckBox*, 2> CheckReboot{};        // 0 start-up entry, 1 "Mettre en veille"
    QLineEdit* TexteRebootTemporisation = nullptr;  // start-up delay, ms
    QLabel* LabelTempo = nullptr;
    QLabel* Label1_95 = nullptr;               // "ms"
    QCheckBox* CheckLogDebug = nullptr;        // bTraceLogDebug
    QCheckBox* CheckDebugEcran = nullptr;      // bTraceDebugEcran
    QListView* ListeLog = nullptr;             // view of Listes().ListeLog
    QListWidget* ListeLogProg = nullptr;       // shown only
    QLineEdit* TexteLogNbMaxlignes = nullptr;  // shown only
    QLabel* Label1_130 = nullptr;
    QMenu* MnuMain = nullptr;
    QAction* MnuMainSave = nullptr;
    QAction* MnuMainFermer = nullptr;
    QPushButton* CommandSave = nullptr;
    QPushButton* CommandFermer = nullptr;

    // --- the "Réseau" tab: the UDP channel table, worked by the UDP link ---
    QTabWidget* SftTabsUDP = nullptr;                      // "Réception", "Emission"
    std::array<QLineEdit*, 2> TexteComputerNameAdresse{};  // 0 computer name, 1 IPv4 address
    std::array<QLineEdit*, 9> TexteUDPIPSource{};
    std::array<QLineEdit*, 9> TexteUDPPortSource{};
    std::array<QCheckBox*, 9> CheckUDPInActif{};
    std::array<QLineEdit*, 9> TexteUDPDonneeRecues{};
    std::array<QPushButton*, 2> CommandTest{};
    std::array<QLineEdit*, 9> TexteUDPIPCible{};
    std::array<QLineEdit*, 9> TexteUDPPortCible{};
    std::array<QLineEdit*, 9> TexteUDPPortBCible{};
    std::array<QCheckBox*, 9> CheckUDPOutActif{};
    std::array<QLineEdit*, 9> TexteUDPDonneeEnvoyees{};
    std::array<QPushButton*, 9> BtnUDPSend{};
    std::array<QLabel*, 9> LabelUDPEtat{};  // each input channel's state, as the link sets it
    QListWidget* ListeUL = nullptr;         // the received messages that wait
    LienUDP* UDP = nullptr;                 // the link that works these controls

    // --- operations ---
    void Form_Load();
    // The program's own unload (the shutdown); cancel != 0 does nothing.
    void Form_Unload(int cancel = 0);
    void InitSettings();
    // Writes the web and Windows options; true when every value was written. A failure keeps
    // bOptionsModifiees and tells the user which file could not be written. Without avecAdresse
    // the stored web address stays as it is (the caller has put it back into TxtURL).
    bool SaveSettings(bool avecAdresse = true);
    void SaveSettingsParametres();
    // The save command (menu and button): the changed groups, hourglass on the main window.
    void MnuMainSave_Click();
    void CommandSave_Click();
    void MnuMainFermer_Click();
    void CommandFermer_Click();
    void CheckReboot_Click(int index);
    void CheckLogDebug_Click();
    void CheckDebugEcran_Click();
    void Form_Activate();

    // A save that could not write: logged, and the user told which files refused (at the
    // shutdown, that the changes are lost). quoi names the save in the log line.
    void SignalerEnregistrementImpossible(const QString& entete, const QStringList& fichiers, const QString& quoi);

    // The unload is running: a save now is the last one.
    bool enDechargement() const { return dechargement_; }

    // The per-base options file and the program settings file.
    static QString FichierOptionsBase();
    static QString FichierProgramme();
    // The web address the per-base options file holds (the default one when it holds none): what
    // the load puts into TxtURL.
    static QString AdresseEnregistree();

    // Height of the window in its normal state (9540 twips).
    static constexpr int HauteurNormale = 636;

protected:
    // The close box hides the window; only the program's unload closes it.
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void construire();
    void ongletGeneral(QWidget* page);
    void ongletReseau(QWidget* page);
    void ongletLog(QWidget* page);
    void enregistrer(const char* cle);
    void etapeChargement(const QString& texte, bool journal);
    static bool versionSansDemarrage();

    bool dechargement_ = false;
};

// The loaded options window (nullptr when not loaded).
FrmSetup* FrmSetupCharge();
// Load FrmSetup: creates the window hidden, owned by the main window when there is one, and runs
// its load, once.
FrmSetup* ChargerFrmSetup();
// Unload FrmSetup: runs its unload and destroys the window.
void DechargerFrmSetup();

// Tests: the four change flags down and no window.
void ReinitialiserOptions();
