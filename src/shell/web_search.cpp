#include "shell/web_search.h"

#include "foundation/proc.h"
#include "options/options_window.h"
#include "shell/main_window.h"
#include "sync/web_requests.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

void CommandWebRecherche_Click(Frm_Main& frm) {
    Proc p(Cle::CommandWebRecherche_Click);
    int mode = -1, onglet = -1;
    p(10, [&] {
        mode = frm.SftTabsMain->currentIndex();
        if (mode == Onglet::Musique)
            onglet = frm.SftTabsMusique->currentIndex();
        else if (mode == Onglet::Publicite)
            onglet = frm.SftTabsPublicite->currentIndex();
    });
    if (mode != Onglet::Musique && mode != Onglet::Publicite) return;
    p(20, [&] { RechercherSurLeWeb(int16_t(mode), int16_t(onglet)); });
}

void InstallerRechercheWeb(Frm_Main& frm) {
    QObject::connect(frm.CommandWebRecherche, &QPushButton::clicked, &frm, [&frm] { CommandWebRecherche_Click(frm); });

    SetSourceParametresWeb([] {
        ParametresWeb p;
        if (FrmSetup* s = FrmSetupCharge()) {
            p.adresse = s->TxtURL->text();
            p.utilisateur = s->TxtURLUser->text();
            p.motDePasse = s->TxtURLPW->text();
        }
        return p;
    });

    LiensRechercheWeb l;
    l.statutWeb = [] { return FrmMain() ? FrmMain()->ComboStatus->currentIndex() : int(StatutWeb::Cree); };
    l.setStatutWeb = [](int s) {
        if (FrmMain()) FrmMain()->ComboStatus->setCurrentIndex(s);
    };
    l.activerBoutons = [](bool actifs) {
        if (Frm_Main* f = FrmMain()) {
            f->CommandLocalRecherche->setEnabled(actifs);
            f->CommandWebRecherche->setEnabled(actifs);
        }
    };
    SetLiensRechercheWeb(std::move(l));
}
