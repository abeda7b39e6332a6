#pragma once
// Stand-by: every visible window of the program is hidden and only an icon stays in the desktop's
// notification area; its menu brings the windows back ("Afficher") or opens the about box. The
// state (hidden windows, icon, tip) is kept apart from the icon itself: where the desktop offers
// no notification area, a small stand-by window stays on top of the others in its place, with the
// same menu, so the program can always be reached.
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSystemTrayIcon;

namespace Cle {
inline constexpr const char* MiseEnVeille = "Lib_SysTray:MiseEnVeille";
inline constexpr const char* AddIconToTray = "Lib_SysTray:AddIconToTray";
inline constexpr const char* RemoveIconFromTray = "Lib_SysTray:RemoveIconFromTray";
inline constexpr const char* Hook = "Lib_SysTray:Hook";
inline constexpr const char* UnHook = "Lib_SysTray:UnHook";
inline constexpr const char* SysTrayMouseEventHandler = "Frm_SysTray:SysTrayMouseEventHandler";
inline constexpr const char* MnuAbout_Click = "Frm_SysTray:MnuAbout_Click";
inline constexpr const char* AfficherFeuille = "Frm_SysTray:AfficherFeuille";
inline constexpr const char* Mnu01Veille_Click = "Frm_Main:Mnu01Veille_Click";
inline constexpr const char* MiseEnVeilleForcee = "Frm_Main:MiseEnVeilleForcee";
inline constexpr const char* TimerVeille_Timer = "Frm_Main:TimerVeille_Timer";
}  // namespace Cle

inline constexpr const char* TipVeille = "Ondrune: Tools Kirvo";
inline constexpr const char* TipVeilleIncidents = "Ondrune: Tools Kirvo (Incidents...)";

// The stand-by icon is shown.
extern bool bIconeTray;

// The icon's record: the window whose icon it shows (and whose menu answers it), the icon, the tip
// (64 characters at most).
struct DonneesIcone {
    QPointer<QWidget> fenetre;
    QIcon icone;
    QString tip;
    bool affichee = false;
};
const DonneesIcone& DonneesIconeTray();

// The window that answers the icon (the subclassed window); nullptr when none.
QWidget* FenetreHookee();

// Whether the desktop has a notification area. Tests may say; nullopt asks the desktop.
bool ZoneNotificationDisponible();
void SetZoneNotificationDisponible(std::optional<bool> disponible);

// The window shown in place of the icon where there is no notification area.
class FenetreVeille : public QWidget {
    Q_OBJECT
public:
    FenetreVeille();
    void montrer(const QIcon& icone, const QString& tip);
    QLabel* LabelIcone = nullptr;
    QLabel* LabelTip = nullptr;
    QPushButton* CommandAfficher = nullptr;

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
};

// The hidden window of stand-by: the list of hidden windows and the icon's menu.
class FrmSysTray : public QWidget {
    Q_OBJECT
public:
    FrmSysTray();
    ~FrmSysTray() override;
    void setVisible(bool visible) override;  // never shown

    // The windows stand-by hid: the main window first, then each window in the order it was
    // hidden (the main window thus twice). An entry whose window is gone stays null.
    std::vector<QPointer<QWidget>> ListeFrm;
    QMenu* MnuFlottant = nullptr;
    QAction* MnuAfficher = nullptr;
    QAction* MnuSep01 = nullptr;
    QAction* MnuAbout = nullptr;

    // The icon's right button: the menu at the mouse.
    void SysTrayMouseEventHandler();
    // "Afficher": the hidden windows back (the main window first, and last with the focus), the
    // icon removed, the start-up entry renewed when the options ask for it.
    void AfficherFeuille();
    void MnuAbout_Click();

    // The icon in the notification area (nullptr without one) and its stand-in window.
    QSystemTrayIcon* icone() const { return icone_; }
    FenetreVeille* fenetreVeille() const { return fenetreVeille_; }
    void montrerIcone(const QIcon& icone, const QString& tip);
    void retirerIcone();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QSystemTrayIcon* icone_ = nullptr;
    FenetreVeille* fenetreVeille_ = nullptr;
};

// The stand-by window, created hidden on first use and kept until the shutdown closes it.
FrmSysTray& FrmSysTrayInstance();
bool FrmSysTrayChargee();

// Stand-by for frm's icon with that tip; with bHideAll every visible window is hidden and listed.
void MiseEnVeille(QWidget* frm, bool bHideAll, const QString& tip);
void AddIconToTray(QWidget* fenetre, const QIcon& icone, const QString& tip);
void RemoveIconFromTray();
void Hook(QWidget* fenetre);
void UnHook();
// The incident signal while in stand-by: the incident icon and tip, the windows stay hidden.
void IncidentPendantVeille();
// The window whose icon shows an incident in stand-by.
QWidget* FrmError();

// The start-up entry deleted and created again with the options' delay, when the options window
// is loaded and asks for it.
void RenouvelerEntreeDemarrage(const QString& appelant);

// Tests: no stand-by window, no icon, the desktop asked again.
void ReinitialiserVeille();
