// The "Fichier" and "?" menu commands of the main window that are not the synchronisation, the
// stand-by, the shutdown or the revision history.
#include "foundation/daily_log.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "options/options_window.h"
#include "platform/dialogs.h"
#include "platform/external_programs.h"
#include "platform/program_end.h"
#include "shell/about_window.h"
#include "shell/main_window.h"
#include "shell/shell_globals.h"

namespace Cle {
inline constexpr const char* Mnu01Refresh_Click = "Frm_Main:Mnu01Refresh_Click";
inline constexpr const char* Mnu01Options_Click = "Frm_Main:Mnu01Options_Click";
inline constexpr const char* Mnu99APropos_Click = "Frm_Main:Mnu99APropos_Click";
inline constexpr const char* AnnulerDragDropRecherche = "Frm_Main:AnnulerDragDropRecherche";
inline constexpr const char* RelancerApplication = "Frm_Main:RelancerApplication";
}  // namespace Cle

namespace {
inline constexpr const char* kLanceur = "QD3_Tools_Kirvo_Launcher.exe";
}

void Frm_Main::Mnu01Refresh_Click() {
    Proc p(Cle::Mnu01Refresh_Click);
    // Only the question: there is nothing a refresh would reset.
    p(10, [&] {
        MsgBox(QStringLiteral("Voulez-vous réinitialiser les données ?"), Mb::YesNo | Mb::Question, windowTitle());
    });
}

void Frm_Main::Mnu01Options_Click() {
    Proc p(Cle::Mnu01Options_Click, Trace::DebugOnly);
    if (bQuitterConfirme) return;
    p(10, [&] {
        FrmSetup* s = FrmSetupCharge();
        if (!s) return;
        // A toggle: shown, it is hidden whichever window the user is on (it stays above the main
        // window, so it is in sight); hidden or minimised, it comes back restored, above the main
        // window and active.
        if (s->isVisible() && !s->isMinimized()) {
            s->hide();
            return;
        }
        PosseeParFrmMain(s);
        // The command's shortcut works from the options window too: there it hides the window.
        if (!s->actions().contains(Mnu01Options)) s->addAction(Mnu01Options);
        if (s->isMinimized()) s->setWindowState(s->windowState() & ~Qt::WindowMinimized);
        s->show();
        s->raise();
        s->activateWindow();
    });
}

void Frm_Main::Mnu01Log_Click() { LectureLog(CheminLog, QString()); }

void Frm_Main::Mnu99APropos_Click() {
    // Errors are skipped silently here.
    Proc p(Cle::Mnu99APropos_Click, Trace::None);
    p.silent();
    p(10, [&] { AfficherFrmAbout(); });
}

void Frm_Main::AnnulerDragDropRecherche() {
    Proc p(Cle::AnnulerDragDropRecherche);
    p(10, [&] { unsetCursor(); });
}

void Frm_Main::RelancerApplication() {
    Proc p(Cle::RelancerApplication);
    const QString lanceur = DossierApplication + QString::fromLatin1(kLanceur);
    bool present = false;
    p(10, [&] { present = File_Exist(lanceur, QString::fromLatin1(Cle::RelancerApplication), true); });
    if (!present) {
        p(20, [&] { TraceLog(-1, -1, -1, QStringLiteral("Err: Application not found: ") + lanceur, false, -1, true); });
        return;
    }
    p(30, [&] { Lanceur().startProgram(lanceur, {}, QString()); });
    p(40, [&] { Quitter(true); });
    FinProgramme(0);
}
