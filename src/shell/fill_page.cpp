#include "shell/fill_page.h"

#include "fill/fill_property_grid.h"
#include "foundation/globals.h"
#include "platform/property_grid.h"
#include "shell/control_slot.h"
#include "shell/hidden_host.h"
#include "shell/layout.h"
#include "shell/main_window.h"

void PlacerPropertyGridRemplissage(Frm_Main& frm) {
    auto* grille = new PropertyGrid;
    grille->setObjectName(QStringLiteral("PropertyGridPubRemplissage"));
    frm.PropertyGridPubRemplissage->poser(grille);
    SetSourceCouleursPropertyGrid([](int element) {
        CouleursPicker c;
        Frm_MainBis& bis = FrmMainBis();
        const auto texte = bis.ColorPickerTexte.find(element);
        const auto fond = bis.ColorPickerFond.find(element);
        if (texte != bis.ColorPickerTexte.end() && texte->second) c.texte = texte->second->couleur();
        if (fond != bis.ColorPickerFond.end() && fond->second) c.fond = fond->second->couleur();
        return c;
    });
    InstallerPropertyGridRemplissage(grille);
    InitPropertyGrid(1, 6);
    AjusterLargeurProprietes(*frm.PropertyGridPubRemplissage, FacteurEchelle);
}
