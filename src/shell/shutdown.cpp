#include "shell/shutdown.h"

#include "database/btrieve.h"
#include "database/open_close.h"
#include "database/site_startup.h"
#include "fill/nomenclature.h"
#include "foundation/daily_log.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "options/options_window.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "shell/hidden_host.h"
#include "shell/main_window.h"
#include "shell/shell_globals.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint64_t kPauseFermetureMs = 500;

void pomper() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

// --- the process told to end: a signal only writes its number into a pipe; the event loop
// turns it into the main window's unload.
int g_tubeSignaux[2] = {-1, -1};

extern "C" void signalFin(int signo) {
    const char c = char(signo);
    const ssize_t n = ::write(g_tubeSignaux[0], &c, 1);
    (void)n;
}

void traiterSignal(int signo) {
    Frm_Main* frm = FrmMain();
    if (frm && !frm->estDecharge()) {
        frm->Decharger(signo == SIGHUP ? Frm_Main::FermetureSession : Frm_Main::FermetureTaskManager);
        return;
    }
    // Nothing left to close in order: the signal's usual end.
    std::signal(signo, SIG_DFL);
    std::raise(signo);
}

}  // namespace

QString TexteRaisonFermeture(int raison) {
    switch (raison) {
        case Frm_Main::FermetureCode:
            return QStringLiteral("Form closed by code action");
        case Frm_Main::FermetureSession:
            return QStringLiteral("Form closed because Windows is shutting down");
        case Frm_Main::FermetureTaskManager:
            return QStringLiteral("Form closed by the Taskmanager");
        case Frm_Main::FermetureMDI:
            return QStringLiteral("Form closed because MDI Form closed");
        case Frm_Main::FermetureProprietaire:
            return QStringLiteral("Form closed by the owner");
        default:
            return QStringLiteral("Form closed: Unknow mode: ") + QString::number(raison);
    }
}

void InstallerFinsExterieures() {
    static bool installe = false;
    if (installe || !QCoreApplication::instance()) return;
    installe = true;

#ifndef QT_NO_SESSIONMANAGER
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, app, [](QSessionManager&) {
            if (Frm_Main* frm = FrmMain(); frm && !frm->estDecharge()) frm->Decharger(Frm_Main::FermetureSession);
        });
    }
#endif
    // The event loop ending by another way still runs the shutdown once.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] {
        if (Frm_Main* frm = FrmMain(); frm && !frm->estDecharge()) frm->Decharger(Frm_Main::FermetureCode);
    });

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_tubeSignaux) != 0) return;
    auto* notificateur = new QSocketNotifier(g_tubeSignaux[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notificateur, &QSocketNotifier::activated, [] {
        char c = 0;
        if (::read(g_tubeSignaux[1], &c, 1) == 1) traiterSignal(int(c));
    });
    struct sigaction sa {};
    sa.sa_handler = signalFin;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &sa, nullptr);
}

// --- Frm_Main: the ways out ------------------------------------------------------------------------

void Frm_Main::MnuQuitter_Click() {
    Proc p(Cle::MnuQuitter_Click);
    p(10, [&] { Quitter(false); });
}

void Frm_Main::Quitter(bool Forcer) {
    Proc p(Cle::Quitter, Trace::DebugOnly);
    if (bFermetureEnCours || decharge_) return;
    bQuitterConfirme = false;
    if (Forcer) {
        // A forced end (fatal report, restart) asks nothing: its caller ends the program right
        // after, so the orderly shutdown must run now for the log and the files.
        p(10, [&] { TraceLogEncadre(-1, -1, -1, QString::fromLatin1(TexteQuitterForce), QStringLiteral("*"), false); });
    } else {
        int reponse = Mb::No;
        p(20, [&] {
            reponse =
                MsgBox(QStringLiteral("Voulez-vous quitter le programme ?"), Mb::YesNo | Mb::Question, windowTitle());
        });
        if (reponse != Mb::Yes) return;
        p(30,
          [&] { TraceLogEncadre(-1, -1, -1, QString::fromLatin1(TexteQuitterConfirme), QStringLiteral("*"), false); });
    }
    bQuitterConfirme = true;
    p(40, [&] { Decharger(FermetureCode); });
}

bool Frm_Main::Decharger(int raison) {
    if (decharge_) return true;
    if (dechargementEnCours_) return false;
    int cancel = 0;
    Form_QueryUnload(cancel, raison);
    if (cancel != 0) return false;
    // From the close box, Quitter has already unloaded the window.
    if (decharge_) return true;
    dechargementEnCours_ = true;
    Form_Unload();
    dechargementEnCours_ = false;
    decharge_ = true;
    hide();
    Q_EMIT Decharge();
    return true;
}

void Frm_Main::closeEvent(QCloseEvent* event) {
    // The window only goes away through its unload.
    event->ignore();
    if (decharge_ || dechargementEnCours_) return;
    Decharger(FermetureUtilisateur);
}

void Frm_Main::Form_QueryUnload(int& cancel, int UnloadMode) {
    Proc p(Cle::Form_QueryUnload);
    if (UnloadMode == FermetureUtilisateur) {
        p(10, [&] { Quitter(false); });
        if (!bQuitterConfirme) cancel = 1;
        return;
    }
    p(20, [&] { TraceLogEncadre(-1, -1, -1, TexteRaisonFermeture(UnloadMode), QStringLiteral("="), false); });
    p(30,
      [&] { TraceLogForce(Listes().ListeLog, QString(), false, false, QString::fromLatin1(Cle::Form_QueryUnload)); });
}

void Frm_Main::Form_Unload() {
    Proc p(Cle::Form_Unload);
    bFermetureEnCours = true;
    p(30, [&] {
        for (QTimer* t : findChildren<QTimer*>()) t->stop();
    });
    p(40, [&] {
        TraceLog(-1, -1, -1, QStringLiteral("---------- ") + objectName() + QStringLiteral(": Form_Unload: Start"),
                 false, -1, true);
    });
    p(50, [&] {
        const uint64_t t0 = GetTickCount64();
        for (;;) {
            const uint64_t n = GetTickCount64();
            if ((n >= t0 ? n - t0 : t0 - n) > kPauseFermetureMs) break;
            pomper();
            // The pause pumps events; a millisecond between turns keeps it from spinning.
            HorlogeSysteme().sleepMs(1);
        }
    });
    p(60, [&] {
        if (!FrmMsgChargee()) return;
        LabelMsgInit(QStringLiteral("Fermeture en cours: Close Nomenclature"));
        pomper();
    });
    p(70, [&] { DechargerFrmPubNomenclature(); });
    p(80, [&] {
        // A window the start-up never showed has no geometry of its own to keep (and before the
        // settings folder is known there is nowhere to keep it).
        if (!bInitTerminee && !isVisible()) return;
        const int etat = EtatDeFenetre(this);
        const QString F = NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini"));
        const QString nom = objectName();
        if (etat == EtatNormal) {
            PositionFeuilleSauvegarde(this, QString());
            EcritureIni(F, QStringLiteral("FrmPos"), nom + QStringLiteral("_Width"),
                        QString::number(qint64(width()) * TwipsParPixel));
            EcritureIni(F, QStringLiteral("FrmPos"), nom + QStringLiteral("_Height"),
                        QString::number(qint64(height()) * TwipsParPixel));
        }
        EcritureIni(F, QStringLiteral("FrmPos"), nom + QStringLiteral("_WindowState"), QString::number(etat));
    });
    p(90, [&] { DechargerFrmSetup(); });
    p(100, [&] {
        // Every station the start-up opened for the current base, then each other zone's base at
        // its current station.
        const int16_t nbStations = BaseInfo.at(size_t(NoBaseCourante)).NbStation;
        if (nbStations > 0) PervasiveFermetureFichiers(NoBaseCourante, 1, nbStations, -1);
        for (int z = 0; z < NbZones; ++z) {
            if (z == NoBaseCourante) continue;
            const int16_t s = int16_t(StationCourante[size_t(z)]);
            PervasiveFermetureFichiers(int16_t(z), s, s, -1);
        }
    });

    // From here on nothing is reported: each step runs whatever the previous one did.
    Proc fin(Cle::Form_Unload, Trace::None);
    fin.silent();
    fin(120, [&] { DechargerFrmMainBis(); });
    fin(130, [&] {
        // Runs cut short by the end may still be inside the wait window: it goes all the same.
        FermerFrmMsg(QString::fromLatin1(Cle::Form_Unload));
        pomper();
        QList<QPointer<QWidget>> fenetres;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && !w->parentWidget()) fenetres << w;
        for (const QPointer<QWidget>& w : fenetres) {
            if (w) fin(131, [&] { w->close(); });
            pomper();
        }
    });
    // Whatever the record manager still holds.
    fin(140, [&] { AppelGestionnaire(BtrOp::Stop, nullptr, nullptr, nullptr, nullptr, 0, 0); });
    bInitTerminee = false;
}
