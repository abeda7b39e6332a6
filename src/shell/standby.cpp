#include "shell/standby.h"

#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/restart_shortcut.h"
#include "options/options_window.h"
#include "shell/about_window.h"
#include "shell/look.h"
#include "shell/main_window.h"
#include "shell/shell_globals.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

bool bIconeTray = false;

namespace {

DonneesIcone g_donnees;
QPointer<QWidget> g_hookee;
QPointer<FrmSysTray> g_sysTray;
QPointer<QWidget> g_frmError;
std::optional<bool> g_zoneForcee;

constexpr int kLongueurTip = 64;

bool avecFenetres() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

// Windows of stand-by itself are never hidden by it.
bool fenetreDeVeille(const QWidget* w) {
    return qobject_cast<const FrmSysTray*>(w) || qobject_cast<const FenetreVeille*>(w) || w == g_frmError;
}

}  // namespace

const DonneesIcone& DonneesIconeTray() { return g_donnees; }
QWidget* FenetreHookee() { return g_hookee; }

bool ZoneNotificationDisponible() {
    if (g_zoneForcee) return *g_zoneForcee;
    return avecFenetres() && QSystemTrayIcon::isSystemTrayAvailable();
}
void SetZoneNotificationDisponible(std::optional<bool> disponible) { g_zoneForcee = disponible; }

// --- the stand-in window ---------------------------------------------------------------------------

FenetreVeille::FenetreVeille() : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FrmVeille"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* h = new QHBoxLayout(this);
    LabelIcone = new QLabel;
    LabelIcone->setObjectName(QStringLiteral("LabelIcone"));
    LabelTip = new QLabel;
    LabelTip->setObjectName(QStringLiteral("LabelTip"));
    CommandAfficher = new QPushButton(QStringLiteral("Afficher"));
    CommandAfficher->setObjectName(QStringLiteral("CommandAfficher"));
    h->addWidget(LabelIcone);
    h->addWidget(LabelTip, 1);
    h->addWidget(CommandAfficher);
    connect(CommandAfficher, &QPushButton::clicked, this, [] { FrmSysTrayInstance().AfficherFeuille(); });
}

void FenetreVeille::montrer(const QIcon& icone, const QString& tip) {
    LabelIcone->setPixmap(icone.pixmap(24, 24));
    LabelTip->setText(tip);
    setWindowTitle(tip);
    setToolTip(tip);
    adjustSize();
    // Bottom right of the screen, where the notification area would be.
    if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
        const QRect zone = ecran->availableGeometry();
        move(zone.right() - width() - 8, zone.bottom() - height() - 40);
    }
    show();
    raise();
}

void FenetreVeille::contextMenuEvent(QContextMenuEvent* e) {
    e->accept();
    FrmSysTrayInstance().SysTrayMouseEventHandler();
}

void FenetreVeille::closeEvent(QCloseEvent* e) {
    // Closing it must not leave the program unreachable: it brings the windows back.
    if (bIconeTray && !bFermetureEnCours) {
        e->ignore();
        FrmSysTrayInstance().AfficherFeuille();
        return;
    }
    QWidget::closeEvent(e);
}

// --- FrmSysTray ----------------------------------------------------------------------------------------

FrmSysTray::FrmSysTray() {
    setObjectName(QStringLiteral("FrmSysTray"));
    setWindowTitle(QStringLiteral("FrmSysTray"));
    MnuFlottant = new QMenu(QStringLiteral("Flottant"), this);
    MnuFlottant->setObjectName(QStringLiteral("MnuFlottant"));
    MnuAfficher = MnuFlottant->addAction(QStringLiteral("Afficher"));
    MnuAfficher->setObjectName(QStringLiteral("MnuAfficher"));
    MnuSep01 = MnuFlottant->addSeparator();
    MnuSep01->setObjectName(QStringLiteral("MnuSep01"));
    MnuAbout = MnuFlottant->addAction(QStringLiteral("A propos..."));
    MnuAbout->setObjectName(QStringLiteral("MnuAbout"));
    connect(MnuAfficher, &QAction::triggered, this, &FrmSysTray::AfficherFeuille);
    connect(MnuAbout, &QAction::triggered, this, &FrmSysTray::MnuAbout_Click);
}

FrmSysTray::~FrmSysTray() {
    delete icone_;
    delete fenetreVeille_;
}

void FrmSysTray::setVisible(bool visible) {
    if (!visible) QWidget::setVisible(false);
}

void FrmSysTray::montrerIcone(const QIcon& icone, const QString& tip) {
    if (ZoneNotificationDisponible()) {
        if (fenetreVeille_) fenetreVeille_->hide();
        if (!icone_) {
            icone_ = new QSystemTrayIcon;
            icone_->setObjectName(QStringLiteral("IconeTray"));
            // The menu answers the right button only; a left click or a double click does nothing.
            icone_->setContextMenu(MnuFlottant);
        }
        icone_->setIcon(icone);
        icone_->setToolTip(tip);
        icone_->show();
        return;
    }
    if (!avecFenetres()) return;
    if (!fenetreVeille_) fenetreVeille_ = new FenetreVeille;
    fenetreVeille_->montrer(icone, tip);
}

void FrmSysTray::retirerIcone() {
    if (icone_) icone_->hide();
    if (fenetreVeille_) fenetreVeille_->hide();
}

void FrmSysTray::SysTrayMouseEventHandler() {
    Proc p(Cle::SysTrayMouseEventHandler, Trace::None);
    p(10, [&] {
        if (bQuitterConfirme) return;
        MnuFlottant->popup(QCursor::pos());
    });
}

void FrmSysTray::MnuAbout_Click() {
    Proc p(Cle::MnuAbout_Click);
    p(10, [&] { AfficherFrmAbout(); });
}

void FrmSysTray::AfficherFeuille() {
    Proc p(Cle::AfficherFeuille, Trace::None);
    p(10, [&] { UnHook(); });
    p(20, [&] {
        // The main window first; the others in the order they were hidden; the main window's
        // second entry last, so it ends with the focus.
        QWidget* principale = FrmMain();
        auto montrer = [&](QWidget* w) {
            w->show();
            w->raise();
            w->activateWindow();
        };
        for (auto it = ListeFrm.begin(); it != ListeFrm.end(); ++it) {
            if (*it && *it == principale) {
                montrer(*it);
                ListeFrm.erase(it);
                break;
            }
        }
        std::vector<QPointer<QWidget>> restants;
        for (const QPointer<QWidget>& w : ListeFrm) {
            if (!w) {
                restants.push_back(w);  // a window gone meanwhile stays listed
                continue;
            }
            if (w != principale) montrer(w);
        }
        for (const QPointer<QWidget>& w : ListeFrm)
            if (w && w == principale) w->activateWindow();  // the focus, its owned windows staying above
        ListeFrm = std::move(restants);
    });
    p(30, [&] { RemoveIconFromTray(); });
    p(40, [&] { RenouvelerEntreeDemarrage(QString::fromLatin1(Cle::AfficherFeuille)); });
    bIconeTray = false;
}

void FrmSysTray::closeEvent(QCloseEvent* e) {
    // The shutdown closes this window: windows stand-by hid come back and the icon goes.
    Proc p(Cle::AfficherFeuille, Trace::None);
    p.silent();
    p(10, [&] {
        bool reste = false;
        for (const QPointer<QWidget>& w : ListeFrm) reste = reste || w;
        if (reste || bIconeTray) AfficherFeuille();
    });
    p(20, [&] { retirerIcone(); });
    QWidget::closeEvent(e);
}

FrmSysTray& FrmSysTrayInstance() {
    if (!g_sysTray) g_sysTray = new FrmSysTray;
    return *g_sysTray;
}

bool FrmSysTrayChargee() { return !g_sysTray.isNull(); }

QWidget* FrmError() {
    if (!g_frmError) {
        g_frmError = new QWidget;
        g_frmError->setObjectName(QStringLiteral("FrmError"));
        if (avecFenetres())
            g_frmError->setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning));
    }
    return g_frmError;
}

// --- Lib_SysTray -----------------------------------------------------------------------------------

void Hook(QWidget* fenetre) {
    Proc p(Cle::Hook, Trace::None);
    if (g_hookee) return;  // one window at a time
    g_hookee = fenetre;
}

void UnHook() {
    Proc p(Cle::UnHook, Trace::None);
    g_hookee = nullptr;
}

void AddIconToTray(QWidget* fenetre, const QIcon& icone, const QString& tip) {
    Proc p(Cle::AddIconToTray, Trace::None);
    p(10, [&] {
        g_donnees.fenetre = fenetre;
        g_donnees.icone = icone;
        g_donnees.tip = tip.left(kLongueurTip);
        g_donnees.affichee = true;
    });
    p(20, [&] { FrmSysTrayInstance().montrerIcone(g_donnees.icone, g_donnees.tip); });
}

void RemoveIconFromTray() {
    Proc p(Cle::RemoveIconFromTray, Trace::None);
    g_donnees.affichee = false;
    p(10, [&] {
        if (FrmSysTrayChargee()) FrmSysTrayInstance().retirerIcone();
    });
}

void MiseEnVeille(QWidget* frm, bool bHideAll, const QString& tip) {
    Proc p(Cle::MiseEnVeille, Trace::None);
    p(10, [&] { Hook(frm); });
    p(20, [&] {
        QIcon icone = frm ? frm->windowIcon() : QIcon();
        if (icone.isNull()) icone = IconeProgramme();
        AddIconToTray(frm, icone, tip);
    });
    if (bHideAll) {
        p(30, [&] {
            FrmSysTray& s = FrmSysTrayInstance();
            s.ListeFrm.clear();
            s.ListeFrm.emplace_back(FrmMain());
            if (!avecFenetres()) return;
            const QWidgetList fenetres = QApplication::topLevelWidgets();
            for (qsizetype i = fenetres.size() - 1; i >= 0; --i) {
                QWidget* w = fenetres.at(i);
                if (!w->isVisible() || fenetreDeVeille(w) || w->windowType() == Qt::Popup ||
                    w->windowType() == Qt::ToolTip)
                    continue;
                w->hide();
                s.ListeFrm.emplace_back(w);
            }
        });
    }
    bIconeTray = true;
}

void IncidentPendantVeille() {
    if (!bIconeTray) return;
    UnHook();
    RemoveIconFromTray();
    MiseEnVeille(FrmError(), false, QString::fromLatin1(TipVeilleIncidents));
}

void RenouvelerEntreeDemarrage(const QString& appelant) {
    FrmSetup* s = FrmSetupCharge();
    if (!s || !s->CheckReboot[0] || ValeurCase(s->CheckReboot[0]) != 1) return;
    const double n =
        std::nearbyint(NombreSigne(s->TexteRebootTemporisation ? s->TexteRebootTemporisation->text() : QString()));
    int32_t delai = (n > 2147483647.0 || n < -2147483648.0) ? 0 : int32_t(n);
    CreateShortCutStartUp(0, delai, appelant);
    CreateShortCutStartUp(-1, delai, appelant);
}

void ReinitialiserVeille() {
    bIconeTray = false;
    g_donnees = DonneesIcone{};
    g_hookee = nullptr;
    g_zoneForcee.reset();
    delete g_sysTray.data();
    delete g_frmError.data();
}

// --- Frm_Main: the stand-by commands ------------------------------------------------------------------

void Frm_Main::MiseEnVeilleForcee() {
    Proc p(Cle::MiseEnVeilleForcee, Trace::None);
    p(10, [&] { MiseEnVeille(this, true, QString::fromLatin1(TipVeille)); });
}

void Frm_Main::Mnu01Veille_Click() {
    Proc p(Cle::Mnu01Veille_Click, Trace::None);
    p(10, [&] { MiseEnVeilleForcee(); });
    p(20, [&] {
        if (!bQuitterConfirme) RenouvelerEntreeDemarrage(QString::fromLatin1(Cle::Mnu01Veille_Click));
    });
}

void Frm_Main::TimerVeille_Timer() {
    Proc p(Cle::TimerVeille_Timer, Trace::None);
    if (bQuitterConfirme) return;
    p(10, [&] {
        if (!isVisible()) {
            // Not shown yet: the timer keeps ticking.
            if (!TimerVeille->isActive()) TimerVeille->start();
            return;
        }
        if (bVeilleAuDemarrage) {
            bVeilleAuDemarrage = false;
            MiseEnVeilleForcee();
        }
        TimerVeille->stop();
    });
}
