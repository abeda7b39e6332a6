#include "shell/sync_commands.h"

#include "entities/break_export.h"
#include "entities/fill_rate_upload.h"
#include "foundation/activity.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "shell/main_window.h"
#include "sync/dispatcher.h"
#include "sync/sync_engine.h"

#include <QAction>
#include <QPointer>
#include <QTabWidget>

namespace {

// Refused while anything runs; true when the command may go on.
bool libre() {
    if (!ActiviteEnCours()) return true;
    MsgBoxMain(MessageActiviteEnCours(), Mb::Exclamation);
    return false;
}

}  // namespace

void InstallerCommandesSynchro(Frm_Main* fenetre) {
    QPointer<Frm_Main> w(fenetre);
    QObject::connect(fenetre->MnuSynchroniserMusPub, &QAction::triggered, fenetre,
                     [] { MnuSynchroniserMusPub_Click(); });
    for (int i = 0; i < int(fenetre->MnuSynchroniserPub.size()); ++i)
        QObject::connect(fenetre->MnuSynchroniserPub[size_t(i)], &QAction::triggered, fenetre,
                         [i] { MnuSynchroniserPub_Click(i); });
    QObject::connect(fenetre->MnuSynchroniserParPubPosDurEcr[0], &QAction::triggered, fenetre,
                     [] { MnuSynchroniserParPubPosDurEcr_Click(0); });
    LiensSynchronisation().afficherOnglet = [w](int onglet) {
        if (!w) return;
        w->SftTabsMain->setCurrentIndex(Onglet::Publicite);
        w->SftTabsPublicite->setCurrentIndex(onglet);
    };
}

void MnuSynchroniserMusPub_Click() {
    if (!libre()) return;
    if (!Synchroniser(true, true)) return;
    // A run the program's end cut short has not ended its work, and the program is closing.
    if (bFermetureEnCours) return;
    // The user has been told the service is out of reach or refused the credentials: that box is
    // the run's one word, and a closing "terminée" after it would read as if the work had been done.
    if (ServiceInjoignable()) return;
    if (!SignalerErreursService()) MsgBoxMain(QStringLiteral("Synchronisation terminée."), Mb::Information);
}

void MnuSynchroniserPub_Click(int Index) {
    Proc p(Cle::MnuSynchroniserPub_Click);
    if (!libre()) return;
    bool lance = false;
    p(10, [&] {
        if (Index == 0)
            lance = SynchroniserPubDirect(-1);
        else if (Index >= 1 && Index <= NbPilotesPublicite)
            lance = SynchroniserPubDirect(int16_t(Index - 1));
    });
    // An upload that the service never answered has told that outage in its own box; the
    // families' last requests without answer met the same outage. What else they met is told.
    const bool avecEnvoi = Index == 0 || Index == NbPilotesPublicite;
    const bool panneDejaDite = avecEnvoi && RemplissageArreteSansReponse();
    // These entries end without a word when all went well; requests that failed are told.
    if (lance && !bFermetureEnCours && !ServiceInjoignable()) p(20, [&] { SignalerErreursService(panneDejaDite); });
}

bool SignalerErreursService(bool panneDejaDite) {
    BilanRun e = BilanDuRun();
    if (panneDejaDite) e.sansReponse -= e.sansReponseEnFin;
    if (e.vide()) return false;
    MsgBoxMain(QStringLiteral("Synchronisation terminée avec des erreurs : ") + e.texte() +
                   QStringLiteral(". Ce qui n'a pas été fait sera repris à la prochaine synchronisation."),
               Mb::OKOnly | Mb::Exclamation);
    return true;
}
