#include "fill/fill_property_grid.h"

#include "database/site_startup.h"
#include "fill/fill_computation.h"
#include "fill/fill_settings.h"
#include "foundation/activity.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "platform/property_grid.h"
#include "grids/list_grids.h"

#include <QPointer>

namespace {

QPointer<PropertyGrid>& grilleInstallee() {
    static QPointer<PropertyGrid> g;
    return g;
}

std::function<CouleursPicker(int)>& sourceCouleurs() {
    static std::function<CouleursPicker(int)> s;
    return s;
}

bool couleurs(int element, CouleursPicker& c) {
    if (!sourceCouleurs()) return false;
    c = sourceCouleurs()(element);
    return c.texte.isValid() && c.fond.isValid();
}

// Applies a change of visibility to every sheet of the fill grid, painting suspended.
void surChaqueFeuille(const std::function<void(SpreadGrid&)>& f) {
    SpreadGrid* g = GrilleRemplissage();
    if (!g) return;
    const bool peint = g->redraw();
    g->setRedraw(false);
    for (int s = 1; s <= g->sheetCount(); ++s) {
        g->setSheet(s);
        f(*g);
    }
    g->setRedraw(peint);
}

void cacherColonnes(SpreadGrid& g, int c1, int c2, bool cacher) {
    for (int c = c1; c <= c2; ++c) {
        g.setCol(c);
        g.setColHidden(cacher);
    }
}

}  // namespace

void SetSourceCouleursPropertyGrid(std::function<CouleursPicker(int)> source) { sourceCouleurs() = std::move(source); }

PropertyGrid* PropertyGridPubRemplissage() { return grilleInstallee().data(); }

void InstallerPropertyGridRemplissage(PropertyGrid* grille) {
    if (PropertyGrid* ancienne = grilleInstallee().data()) QObject::disconnect(ancienne, nullptr, nullptr, nullptr);
    grilleInstallee() = grille;
    if (!grille) return;
    QObject::connect(grille, &PropertyGrid::ValueChanged, grille,
                     [](int id) { PropertyGridPubRemplissage_ValueChanged(id); });
    QObject::connect(grille, &PropertyGrid::InplaceButtonDown, grille,
                     [](int id) { PropertyGridPubRemplissage_InplaceButtonDown(id); });
}

void InitPropertyGrid(int16_t domaine, int16_t onglet) {
    Proc p(Cle::InitPropertyGrid);
    if (domaine != 1 || onglet != 6) return;
    p(10, [&] { InitStructureData(1, 6); });
    p(20, [&] {
        if (PropertyGrid* g = PropertyGridPubRemplissage()) InitPropertyGridGeneral(*g);
    });
    p(30, [&] { InitGeneralPropertyGridPublicite(6); });
}

void InitPropertyGridGeneral(PropertyGrid& grille) {
    Proc p(Cle::InitPropertyGridGeneral);
    p(10, [&] { grille.setGridFont(QFont(QStringLiteral("Arial"), 10)); });
    CouleursPicker c;
    p(20, [&] {
        if (couleurs(16, c)) grille.setCategoryColors(c.texte, c.fond);
    });
    p(30, [&] {
        if (couleurs(17, c)) grille.setItemColors(c.texte, c.fond);
    });
    p(40, [&] {
        if (couleurs(19, c)) grille.setHelpColors(c.texte, c.fond);
    });
}

void InitGeneralPropertyGridPublicite(int16_t onglet) {
    Proc p(Cle::InitGeneralPropertyGridPublicite);
    if (onglet == 6) p(10, [&] { InitGeneralPropertyGridPublicite_08_Remplissage(); });
}

void InitGeneralPropertyGridPublicite_08_Remplissage() {
    Proc p(Cle::InitGeneralPropertyGridPublicite_08_Remplissage);
    PropertyGrid* g = PropertyGridPubRemplissage();
    if (!g) return;
    const TypeParametresRemplissage& prm = ParametresRemplissage;
    int vue = 0;
    p(10, [&] { vue = g->topIndex(); });
    p(20, [&] { g->resetContent(); });

    p(30, [&] {
        PropertyGridItem* cat = g->addCategory(QStringLiteral("Période"));
        PropertyGridItem* it = cat->addChildItem(PropertyKind::Date, QStringLiteral("Début"), prm.DateDebut.date());
        it->setId(IdRemplissage::Debut);
        it->setDescription(QStringLiteral("Date de début de la période à afficher"));
        it = cat->addChildItem(PropertyKind::Date, QStringLiteral("Fin"), prm.DateFin.date());
        it->setId(IdRemplissage::Fin);
        it->setDescription(QStringLiteral("Date de fin de la période à afficher"));
        cat->expand();
    });
    p(40, [&] {
        PropertyGridItem* cat = g->addCategory(QStringLiteral("Zones"));
        const TypeBaseInfo& base = BaseInfo[size_t(NoBaseCourante)];
        const int nb = std::min<int>(base.NbStation, NbStationsBase);
        int masque = 0, bit = 1;
        for (int i = 1; i <= nb; ++i, bit *= 2)
            if (prm.Station[size_t(i - 1)]) masque += bit;
        PropertyGridItem* it = cat->addChildItem(PropertyKind::FlagSet, QStringLiteral("Stations"), masque);
        it->setDescription(QStringLiteral("Liste des stations où le remplissage sera évalué"));
        bit = 1;
        for (int i = 1; i <= nb; ++i, bit *= 2) it->addConstraint(base.Stations[size_t(i - 1)].Lib, bit);
        it->setId(IdRemplissage::Stations);
        it->expand();
        cat->expand();
    });
    p(50, [&] {
        PropertyGridItem* cat = g->addCategory(QStringLiteral("Colonnes affichées"));
        PropertyGridItem* it = cat->addChildItem(PropertyKind::Bool, QStringLiteral("Jour"), prm.Jour);
        it->setId(IdRemplissage::Jour);
        it->setReadOnly(true);
        cat->addChildItem(PropertyKind::Bool, QStringLiteral("Tranche"), prm.Tranche)->setId(IdRemplissage::Tranche);
        cat->addChildItem(PropertyKind::Bool, QStringLiteral("Heure"), prm.Heure)->setId(IdRemplissage::Heure);
        cat->expand();
    });
    p(60, [&] {
        PropertyGridItem* cat = g->addCategory(QStringLiteral("Lignes affichées"));
        for (int k = 1; k <= 9; ++k)
            cat->addChildItem(PropertyKind::Bool, LibelleNature(k), prm.ligne(k))->setId(IdRemplissage::Ligne0 + k);
        cat->expand();
    });
    p(70, [&] {
        PropertyGridItem* cat = g->addCategory(QStringLiteral("Remplissage"));
        cat->setId(IdRemplissage::Calcul);
        cat->addInplaceButton(QStringLiteral("Calcul"), QStringLiteral("Calcul du taux d'occupation"));
        cat->expand();
    });
    p(80, [&] { g->setTopIndex(vue); });
    p(90, [&] { ReadOnly2Grey(*g); });
}

void ReadOnly2Grey(PropertyGrid& grille) {
    Proc p(Cle::ReadOnly2Grey);
    CouleursPicker c;
    if (!couleurs(18, c)) return;
    const std::function<void(PropertyGridItem*, int)> marquer = [&](PropertyGridItem* it, int niveau) {
        if (it->readOnly()) {
            it->setCaptionColors(c.texte, c.fond);
            it->setValueColors(c.texte, c.fond);
        }
        if (niveau < 3)
            for (PropertyGridItem* e : it->children()) marquer(e, niveau + 1);
    };
    p(10, [&] {
        for (PropertyGridItem* cat : grille.categories())
            for (PropertyGridItem* it : cat->children()) marquer(it, 1);
    });
}

void PropertyGridPubRemplissage_ValueChanged(int id) {
    Proc p(Cle::PropertyGridPubRemplissage_ValueChanged);
    PropertyGrid* g = PropertyGridPubRemplissage();
    if (!g) return;
    PropertyGridItem* it = g->findItem(id);
    TypeParametresRemplissage& prm = ParametresRemplissage;
    if (it) {
        p(10, [&] {
            if (id == IdRemplissage::Debut)
                prm.DateDebut = QDateTime(it->dateValue(), prm.DateDebut.time());
            else if (id == IdRemplissage::Fin)
                prm.DateFin = QDateTime(it->dateValue(), prm.DateFin.time());
            else if (id == IdRemplissage::Stations) {
                int m = it->intValue();
                for (int i = 10; i >= 1; --i) {
                    const int bit = 1 << (i - 1);
                    prm.Station[size_t(i - 1)] = m >= bit;
                    if (m >= bit) m -= bit;
                }
            } else if (id == IdRemplissage::Jour) {
                prm.Jour = it->boolValue();
                surChaqueFeuille([&](SpreadGrid& s) { cacherColonnes(s, Remp::ColJour, Remp::ColJour, !prm.Jour); });
            } else if (id == IdRemplissage::Tranche) {
                prm.Tranche = it->boolValue();
                surChaqueFeuille([&](SpreadGrid& s) {
                    // Slots that are not configured have no caption and stay hidden.
                    for (int c = Remp::ColTranche0; c <= Remp::ColTotal; ++c)
                        cacherColonnes(s, c, c, s.headerText(c, 1).isEmpty() || !prm.Tranche);
                });
            } else if (id == IdRemplissage::Heure) {
                prm.Heure = it->boolValue();
                surChaqueFeuille(
                    [&](SpreadGrid& s) { cacherColonnes(s, Remp::ColHeure0, Remp::NbColonnes, !prm.Heure); });
            } else if (id > IdRemplissage::Ligne0 && id <= IdRemplissage::Ligne0 + 9) {
                const int k = id - IdRemplissage::Ligne0;
                prm.ligne(k) = it->boolValue();
                // Rows exist only once a computation has filled the grid.
                SpreadGrid* grille = GrilleRemplissage();
                if (grille && grille->tag() == QLatin1String("O"))
                    surChaqueFeuille([&](SpreadGrid& s) {
                        for (int r = k; r <= s.maxRows(); r += 9) {
                            s.setRow(r);
                            s.setRowHidden(!prm.ligne(k));
                        }
                        if (s.topRow() == 2) s.setTopRow(1);
                    });
            }
        });
    }
    // Whatever the item, the settings are saved and the items rebuilt.
    p(20, [&] { SauverParametresRemplissage(); });
    p(30, [&] { InitGeneralPropertyGridPublicite(6); });
}

void PropertyGridPubRemplissage_InplaceButtonDown(int id) {
    Proc p(Cle::PropertyGridPubRemplissage_InplaceButtonDown);
    if (id != IdRemplissage::Calcul) return;
    // Another computation, a synchronisation or a search pumps events under this one.
    if (ActiviteEnCours()) {
        p(1, [&] { MsgBoxMain(MessageActiviteEnCours(), Mb::Exclamation); });
        return;
    }
    const QString cle = QString::fromLatin1(Cle::PropertyGridPubRemplissage_InplaceButtonDown);
    // The period is checked before anything changes: its message is not hidden by the wait
    // window, and a refused period leaves the grid as it was.
    QDateTime d1, d2;
    if (!PeriodeAffichee(d1, d2)) return;
    bool valide = false;
    p(5, [&] { valide = ControlePeriodeRemplissage(d1, d2); });
    if (!valide) return;
    FrmMsgOuverte attente(cle);
    p(20, [&] { InitStructureData(1, 6); });
    p(30, [&] { InitGeneralTableurPub(6, true, true); });
    p(50, [&] { Remplissage(d1, d2); });
}

bool PeriodeAffichee(QDateTime& debut, QDateTime& fin) {
    PropertyGrid* g = PropertyGridPubRemplissage();
    if (!g) return false;
    PropertyGridItem* d = g->findItem(IdRemplissage::Debut);
    PropertyGridItem* f = g->findItem(IdRemplissage::Fin);
    if (!d || !f) return false;
    debut = QDateTime(d->dateValue(), QTime(0, 0));
    fin = QDateTime(f->dateValue(), QTime(0, 0));
    return true;
}

void ReinitialiserPropertyGridRemplissage() {
    InstallerPropertyGridRemplissage(nullptr);
    sourceCouleurs() = {};
}
