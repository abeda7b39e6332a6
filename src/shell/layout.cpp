#include "shell/layout.h"

#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_locations.h"
#include "platform/property_grid.h"
#include "shell/look.h"
#include "shell/main_window.h"
#include "shell/control_slot.h"
#include "grids/list_grids.h"

#include <QBoxLayout>
#include <QResizeEvent>
#include <QTabWidget>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kMarge = 3;
}

int MargeBasFenetre(int correctionHauteur) { return kMarge + (correctionHauteur == 1 ? 2 : 0); }

int LargeurEchelle(int twips, float facteur) {
    const double f = facteur > 0 ? double(facteur) : 1.0;
    return int(std::lround(double(twips) / TwipsParPixel * f));
}

void AjusterLargeurProprietes(EmplacementControle& place, float facteur) {
    const int prevue = LargeurEchelle(LargeurProprietesTwips, facteur);
    const auto* grille = qobject_cast<const PropertyGrid*>(place.controle());
    const int voulue = grille ? std::max(prevue, grille->largeurLisible()) : prevue;
    // The window keeps the minimum width it always had: the extra comes out of the fill grid's
    // share only when the page is wide enough.
    place.setMinimumWidth(prevue);
    place.setMaximumWidth(voulue);
    QSizePolicy politique = place.sizePolicy();
    politique.setHorizontalPolicy(voulue > prevue ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    place.setSizePolicy(politique);
}

void Frm_Main::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Frm_Main::Form_Resize() {
    Proc p(Cle::Form_Resize);
    if (isMinimized()) return;
    p(10, [&] {
        if (!disposition_) return;
        const int bas = MargeBasFenetre(CorrectionHauteurSkin);
        const QMargins m = disposition_->contentsMargins();
        if (m.bottom() != bas) disposition_->setContentsMargins(m.left(), m.top(), m.right(), bas);
    });
    p(20, [&] { SftTabsLocalWeb->setFixedWidth(LargeurEchelle(LargeurRechercheTwips, FacteurEchelle)); });
    p(30, [&] { ResizeCurrentOngletMain(); });
}

void Frm_Main::ResizeCurrentOngletMain() {
    Proc p(Cle::ResizeCurrentOngletMain);
    if (!bFrmSetupChargee) return;
    p(10, [&] {
        if (SftTabsMain->currentIndex() < 0) SftTabsMain->setCurrentIndex(Onglet::Musique);
    });
    switch (SftTabsMain->currentIndex()) {
        case Onglet::Publicite: {
            const int k = SftTabsPublicite->currentIndex();
            p(20, [&] {
                if (k == GrillePubNo::Remplissage)
                    AjusterLargeurProprietes(*PropertyGridPubRemplissage, FacteurEchelle);
            });
            // The grid's share columns follow the page's new width; its rows stay.
            p(30, [&] {
                if (k >= 0) InitGeneralTableurPub(int16_t(k), false, true);
            });
            break;
        }
        default:
            break;
    }
}

void Frm_Main::SftTabsMusique_Switched(int) {
    Proc p(Cle::SftTabsMusique_Switched);
    p(10, [&] { ResizeCurrentOngletMain(); });
}

void Frm_Main::SftTabsPublicite_Switched(int) {
    Proc p(Cle::SftTabsPublicite_Switched);
    p(10, [&] { ResizeCurrentOngletMain(); });
}
