#include "foundation/globals.h"
#include "platform/property_grid.h"
#include "shell/control_slot.h"
#include "shell/layout.h"
#include "shell/look.h"
#include "shell/main_window.h"
#include "grids/list_grids.h"
#include "window_fixture.h"

#include <QCoreApplication>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <memory>

namespace {

class LayoutTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        w = std::make_unique<Frm_Main>();
        bFrmSetupChargee = true;
        w->show();
    }
    void TearDown() override {
        w.reset();
        FacteurEchelle = 0.0f;
        FenetresTest::TearDown();
    }
    void taille(int l, int h) {
        w->resize(l, h);
        QCoreApplication::processEvents();
    }
    // Every visible control of a page lies inside it.
    static void dansLaPage(QWidget* page) {
        const QRect zone = page->rect();
        for (QWidget* c : page->findChildren<QWidget*>()) {
            if (!c->isVisibleTo(page) || c->isWindow() || c->size().isEmpty()) continue;
            const QRect r(c->mapTo(page, QPoint(0, 0)), c->size());
            EXPECT_TRUE(zone.contains(r))
                << c->metaObject()->className() << " " << c->objectName().toStdString() << " " << r.x() << "," << r.y()
                << " " << r.width() << "x" << r.height() << " in " << page->objectName().toStdString() << " "
                << zone.width() << "x" << zone.height();
        }
    }
    std::unique_ptr<Frm_Main> w;
};

}  // namespace

TEST_F(LayoutTest, PagesFillTheirStripsAtTwoSizesAndBothScaleFactors) {
    for (float facteur : {1.0f, 1.25f}) {
        for (QSize s : {QSize(1100, 700), QSize(1600, 1000)}) {
            SCOPED_TRACE(QStringLiteral("%1 %2x%3").arg(facteur).arg(s.width()).arg(s.height()).toStdString());
            FacteurEchelle = facteur;
            taille(s.width(), s.height());
            EXPECT_EQ(w->SftTabsLocalWeb->width(), LargeurEchelle(LargeurRechercheTwips, facteur));
            // The main strip takes the rest of the width and the whole height.
            const QRect central = w->centralWidget()->geometry();
            EXPECT_GE(w->SftTabsMain->width(), central.width() - w->SftTabsLocalWeb->width() - 20);
            EXPECT_GE(w->SftTabsMain->height(), central.height() - 12);
            EXPECT_EQ(w->SftTabsLocalWeb->height(), w->SftTabsMain->height());

            // The fill page: the settings right of the grid, 60 twips and more apart, both full height.
            w->SftTabsMain->setCurrentIndex(Onglet::Publicite);
            w->SftTabsPublicite->setCurrentIndex(6);
            QCoreApplication::processEvents();
            QWidget* grille = w->fpSpreadPublicite[6];
            QWidget* proprietes = w->PropertyGridPubRemplissage;
            EXPECT_EQ(proprietes->width(), LargeurEchelle(LargeurProprietesTwips, facteur));
            EXPECT_GE(proprietes->x(), grille->x() + grille->width() + 4);
            EXPECT_EQ(proprietes->height(), grille->height());
            EXPECT_GT(grille->width(), 100);
            dansLaPage(w->SftTabsPublicite->currentWidget());
            dansLaPage(w->SftTabsMain->currentWidget());

            // A list page and the music page.
            w->SftTabsPublicite->setCurrentIndex(1);
            QCoreApplication::processEvents();
            dansLaPage(w->SftTabsPublicite->currentWidget());
            w->SftTabsMain->setCurrentIndex(Onglet::Musique);
            QCoreApplication::processEvents();
            dansLaPage(w->SftTabsMain->currentWidget());

            // The incident page: the list above, the purge button below it at the right.
            w->SftTabsMain->setTabVisible(Onglet::Incidents, true);
            w->SftTabsMain->setCurrentIndex(Onglet::Incidents);
            QCoreApplication::processEvents();
            QWidget* page = w->SftTabsMain->currentWidget();
            dansLaPage(page);
            const QRect liste(w->ListeIncidents[0]->mapTo(page, QPoint(0, 0)), w->ListeIncidents[0]->size());
            const QRect bouton(w->CommandIncidentsPurge[0]->mapTo(page, QPoint(0, 0)),
                               w->CommandIncidentsPurge[0]->size());
            EXPECT_GT(bouton.top(), liste.bottom());
            EXPECT_GE(bouton.left(), page->width() / 2);
            EXPECT_GT(liste.height(), page->height() / 2);
            w->SftTabsMain->setTabVisible(Onglet::Incidents, false);
        }
    }
}

// The fill settings keep their design width unless their grid needs more to show its captions
// whole (a wider font than the design's), and then only while the page has room for it: the
// window keeps its minimum width.
TEST_F(LayoutTest, TheFillSettingsWidenOnlyForAGridThatNeedsIt) {
    w->SftTabsMain->setCurrentIndex(Onglet::Publicite);
    const auto montrer = [&](int largeur, int hauteur) {
        taille(largeur, hauteur);
        w->SftTabsPublicite->setCurrentIndex(1);
        w->SftTabsPublicite->setCurrentIndex(6);
        QCoreApplication::processEvents();
    };
    for (float facteur : {1.0f, 1.25f}) {
        FacteurEchelle = facteur;
        const int prevue = LargeurEchelle(LargeurProprietesTwips, facteur);
        int minimum = 0;
        for (int lettres : {1, 60}) {
            SCOPED_TRACE(QStringLiteral("%1 %2").arg(lettres).arg(facteur).toStdString());
            auto* grille = new PropertyGrid;
            grille->addCategory(QStringLiteral("Lignes"))
                ->addChildItem(PropertyKind::Bool, QString(lettres, QLatin1Char('M')), true);
            w->PropertyGridPubRemplissage->poser(grille);
            const int voulue = std::max(prevue, grille->largeurLisible());
            EXPECT_EQ(voulue > prevue, lettres == 60);
            montrer(1600, 1000);
            EXPECT_EQ(w->PropertyGridPubRemplissage->width(), voulue);
            EXPECT_EQ(grille->width(), voulue);
            // The short grid gives the window's minimum width; the long one does not raise it.
            if (lettres == 1) minimum = w->minimumSizeHint().width();
            EXPECT_EQ(w->minimumSizeHint().width(), minimum);
            montrer(minimum, 450);
            EXPECT_GE(w->PropertyGridPubRemplissage->width(), prevue);
            EXPECT_EQ(grille->width(), w->PropertyGridPubRemplissage->width());
        }
    }
}

TEST_F(LayoutTest, SkinHeightCorrectionShortensTheStrips) {
    taille(1200, 800);
    CorrectionHauteurSkin = 0;
    w->Form_Resize();
    QCoreApplication::processEvents();
    const int sans = w->SftTabsMain->height();
    CorrectionHauteurSkin = 1;
    w->Form_Resize();
    QCoreApplication::processEvents();
    EXPECT_EQ(w->SftTabsMain->height(), sans - 2);
    EXPECT_EQ(MargeBasFenetre(1) - MargeBasFenetre(0), 2);
}

TEST_F(LayoutTest, TinyWindowResizesTheFillPageOnlyOnceTheOptionsWindowIsLoaded) {
    w->SftTabsMain->setCurrentIndex(Onglet::Publicite);
    w->SftTabsPublicite->setCurrentIndex(GrillePubNo::Remplissage);
    taille(40, 30);
    FacteurEchelle = 1.0f;
    const int largeur = LargeurEchelle(LargeurProprietesTwips, 1.0f);

    // Before the options window, the fill page is left as it is.
    bFrmSetupChargee = false;
    w->PropertyGridPubRemplissage->setFixedWidth(largeur + 37);
    w->ResizeCurrentOngletMain();
    EXPECT_EQ(w->PropertyGridPubRemplissage->width(), largeur + 37);

    // Afterwards, even a window too small to show anything gets its settings column back, and
    // rebuilding the grid at that size traps no error.
    bFrmSetupChargee = true;
    w->ResizeCurrentOngletMain();
    EXPECT_EQ(w->PropertyGridPubRemplissage->width(), largeur);
    for (const QString& l : lignesLog()) EXPECT_FALSE(l.contains(QStringLiteral("Err: "))) << l.toStdString();
}
