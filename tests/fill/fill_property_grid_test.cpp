#include "fill_fixture.h"

#include "fill/fill_computation.h"
#include "fill/fill_property_grid.h"
#include "fill/fill_settings.h"
#include "foundation/activity.h"
#include "platform/cp1252.h"
#include "platform/property_grid.h"
#include "support/scripted_dialogs.h"
#include "grids/list_grids.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTest>
#include <QTableView>
#include <QTreeWidget>
#include <string>

namespace {

void pomper() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

class FillPropertyGridTest : public FillTest {
protected:
    void SetUp() override {
        FillTest::SetUp();
        capacitesStandard();
        SetSourceCouleursPropertyGrid([](int e) {
            switch (e) {
                case 16:
                    return CouleursPicker{QColor(255, 239, 178), QColor(115, 150, 190)};
                case 17:
                    return CouleursPicker{QColor(0, 0, 0), QColor(255, 255, 255)};
                case 18:
                    return CouleursPicker{QColor(0, 0, 0), QColor(200, 200, 200)};
                default:
                    return CouleursPicker{QColor(0, 0, 0), QColor(115, 150, 190)};
            }
        });
        pg = new PropertyGrid;
        pg->resize(300, 600);
        pg->show();
        InstallerPropertyGridRemplissage(pg);
        InitGeneralTableurPub(6, true, true);
        InitPropertyGrid(1, 6);
    }
    void TearDown() override {
        InstallerPropertyGridRemplissage(nullptr);
        delete pg;
        FillTest::TearDown();
    }
    PropertyGridItem* item(int id) { return pg->findItem(id); }
    void cocher(int id, bool valeur) {
        item(id)->row()->setCheckState(1, valeur ? Qt::Checked : Qt::Unchecked);
        pomper();
    }
    void choisirDate(int id, const QDate& d) {
        auto* e = qobject_cast<QDateEdit*>(item(id)->editor());
        e->setDate(d);
        Q_EMIT e->editingFinished();
        pomper();
    }
    QString valeurFichier(const QString& cle) {
        for (const QString& l :
             FromCp1252(LireFichierTest(FichierParametresRemplissage())).split(QStringLiteral("\r\n")))
            if (l.startsWith(cle + QLatin1Char('='))) return l.mid(cle.size() + 1);
        return QStringLiteral("<absent>");
    }
    bool colonneCachee(int s, int c) {
        GrilleRemplissage()->setSheet(s);
        return GrilleRemplissage()->colHiddenAt(c);
    }
    bool ligneCachee(int s, int r) {
        GrilleRemplissage()->setSheet(s);
        return GrilleRemplissage()->rowHiddenAt(r);
    }
    PropertyGrid* pg = nullptr;
};

TEST_F(FillPropertyGridTest, TheItemsMirrorTheSettings) {
    QStringList categories;
    for (PropertyGridItem* c : pg->categories()) {
        categories << c->caption();
        EXPECT_TRUE(c->expanded()) << c->caption().toStdString();
    }
    EXPECT_EQ(categories,
              (QStringList{QStringLiteral("Période"), QStringLiteral("Zones"), QStringLiteral("Colonnes affichées"),
                           QStringLiteral("Lignes affichées"), QStringLiteral("Remplissage")}));
    EXPECT_EQ(item(IdRemplissage::Debut)->dateValue(), QDate(2024, 3, 6));
    EXPECT_EQ(item(IdRemplissage::Fin)->dateValue(), QDate(2024, 4, 5));
    EXPECT_EQ(item(IdRemplissage::Debut)->description(), QStringLiteral("Date de début de la période à afficher"));
    PropertyGridItem* st = item(IdRemplissage::Stations);
    EXPECT_EQ(st->intValue(), 3);
    ASSERT_EQ(st->children().size(), 2u);
    EXPECT_EQ(st->children()[1]->caption(), QStringLiteral("Ondrune Nord 2"));
    EXPECT_EQ(st->children()[1]->intValue(), 2);
    EXPECT_TRUE(item(IdRemplissage::Jour)->readOnly());
    EXPECT_EQ(item(IdRemplissage::Jour)->valueBackColor(), QColor(200, 200, 200));
    EXPECT_EQ(item(IdRemplissage::Heure)->valueBackColor(), QColor(255, 255, 255));
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(item(IdRemplissage::Ligne0 + k)->caption(), LibelleNature(k));
        EXPECT_EQ(item(IdRemplissage::Ligne0 + k)->boolValue(), k != 6 && k != 7);
    }
    EXPECT_EQ(item(IdRemplissage::Calcul)->inplaceButton()->text(), QStringLiteral("Calcul"));
    EXPECT_EQ(item(IdRemplissage::Calcul)->inplaceButton()->toolTip(), QStringLiteral("Calcul du taux d'occupation"));
    EXPECT_EQ(pg->categoryBackColor(), QColor(115, 150, 190));
}

// At the width it asks for, the grid shows every caption whole (the two station names apart
// from each other), and each item names itself and says what it is for in its tooltip.
TEST_F(FillPropertyGridTest, EveryCaptionIsWholeAndExplainedInItsToolTip) {
    pg->resize(pg->largeurLisible(), 600);
    pomper();
    QTreeWidget* t = pg->tree();
    const int coche = t->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, t);
    const std::function<void(PropertyGridItem*)> voir = [&](PropertyGridItem* it) {
        SCOPED_TRACE(it->caption().toStdString());
        QFont f = t->font();
        f.setBold(it->kind() == PropertyKind::Category);
        // The caption's room: its column, or the whole line when the caption spans both.
        QRect r = t->visualItemRect(it->row());
        if (!it->row()->isFirstColumnSpanned()) r.setRight(t->columnWidth(0) - 1);
        const int texte =
            QFontMetrics(f).horizontalAdvance(it->caption()) + (it->kind() == PropertyKind::Choice ? coche : 0);
        EXPECT_GE(r.width(), texte);
        EXPECT_LE(r.right(), t->viewport()->width());
        EXPECT_TRUE(it->row()->toolTip(0).startsWith(it->caption()));
        if (!it->description().isEmpty()) {
            EXPECT_TRUE(it->row()->toolTip(0).endsWith(it->description()));
        }
        for (PropertyGridItem* e : it->children()) voir(e);
    };
    for (PropertyGridItem* c : pg->categories()) voir(c);
    ASSERT_EQ(item(IdRemplissage::Stations)->children().size(), 2u);
    EXPECT_NE(item(IdRemplissage::Stations)->children()[0]->caption(),
              item(IdRemplissage::Stations)->children()[1]->caption());
    // The dates stay whole beside the captions.
    QWidget* date = item(IdRemplissage::Fin)->editor();
    EXPECT_GE(date->width(), date->sizeHint().width());
    EXPECT_TRUE(date->toolTip().contains(QStringLiteral("Date de fin")));
}

TEST_F(FillPropertyGridTest, EveryChangeIsAppliedSavedAndTheItemsRebuilt) {
    // A date: the record, then all 24 keys saved (no date), the items rebuilt from the record.
    choisirDate(IdRemplissage::Fin, QDate(2024, 3, 8));
    EXPECT_EQ(ParametresRemplissage.DateFin.date(), QDate(2024, 3, 8));
    EXPECT_EQ(valeurFichier(QStringLiteral("Station_10")), QStringLiteral("1"));
    EXPECT_EQ(valeurFichier(QStringLiteral("CumPourcentage")), QStringLiteral("1"));
    EXPECT_FALSE(FromCp1252(LireFichierTest(FichierParametresRemplissage())).contains(QStringLiteral("2024")));
    EXPECT_EQ(item(IdRemplissage::Fin)->dateValue(), QDate(2024, 3, 8));

    // Station 1 unticked: mask 2; stations the base does not offer become false too.
    item(IdRemplissage::Stations)->children()[0]->row()->setCheckState(0, Qt::Unchecked);
    pomper();
    EXPECT_FALSE(ParametresRemplissage.Station[0]);
    EXPECT_TRUE(ParametresRemplissage.Station[1]);
    EXPECT_FALSE(ParametresRemplissage.Station[9]);
    EXPECT_EQ(valeurFichier(QStringLiteral("Station_01")), QStringLiteral("0"));
    EXPECT_EQ(valeurFichier(QStringLiteral("Station_02")), QStringLiteral("1"));
    EXPECT_EQ(valeurFichier(QStringLiteral("Station_03")), QStringLiteral("0"));
    EXPECT_EQ(item(IdRemplissage::Stations)->intValue(), 2);

    // Hours off: hidden on every sheet at once; on again: shown.
    cocher(IdRemplissage::Heure, false);
    EXPECT_EQ(valeurFichier(QStringLiteral("Heure")), QStringLiteral("0"));
    for (int s = 1; s <= 2; ++s)
        for (int c = Remp::ColHeure0; c <= Remp::NbColonnes; ++c) EXPECT_TRUE(colonneCachee(s, c));
    cocher(IdRemplissage::Heure, true);
    EXPECT_FALSE(colonneCachee(2, Remp::ColHeure0 + 8));

    // Slots off and on: the slots that are not configured stay hidden.
    cocher(IdRemplissage::Tranche, false);
    EXPECT_TRUE(colonneCachee(1, Remp::ColTotal));
    cocher(IdRemplissage::Tranche, true);
    EXPECT_FALSE(colonneCachee(1, Remp::ColTranche0 + 2));
    EXPECT_TRUE(colonneCachee(1, Remp::ColTranche0 + 3));
    EXPECT_FALSE(colonneCachee(1, Remp::ColTotal));

    // A row flag before any computation reaches the record and the file only.
    cocher(IdRemplissage::Ligne0 + 5, false);
    EXPECT_FALSE(ParametresRemplissage.LocNbSpot);
    EXPECT_EQ(valeurFichier(QStringLiteral("LocNbSpot")), QStringLiteral("0"));
    EXPECT_EQ(GrilleRemplissage()->tag(), QString());
}

TEST_F(FillPropertyGridTest, CalculComputesThePeriodOfTheDateItems) {
    element(1, QStringLiteral("B"), 45000, QStringLiteral("C00002"));
    conducteur(1, QStringLiteral("20240307"), QStringLiteral("09"), QStringLiteral("10"), QStringLiteral("B"));
    choisirDate(IdRemplissage::Debut, QDate(2024, 3, 6));
    choisirDate(IdRemplissage::Fin, QDate(2024, 3, 7));
    item(IdRemplissage::Calcul)->inplaceButton()->click();
    pomper();
    SpreadGrid* g = GrilleRemplissage();
    EXPECT_EQ(g->tag(), QStringLiteral("O"));
    g->setSheet(1);
    EXPECT_EQ(g->maxRows(), 18);
    EXPECT_EQ(g->store().texteBrut(1, 3, 10), QStringLiteral("07-03-24"));
    EXPECT_EQ(g->store().texteBrut(1, Remp::ColHeure0 + 9, 12), QStringLiteral("00:45"));
    // The record's period is back to its default; the items still show the dates used.
    EXPECT_EQ(ParametresRemplissage.DateFin.date(), QDate(2024, 4, 5));
    EXPECT_EQ(item(IdRemplissage::Fin)->dateValue(), QDate(2024, 3, 7));

    // Now a row flag hides its rows on every sheet at once.
    cocher(IdRemplissage::Ligne0 + 5, false);
    for (int s = 1; s <= 2; ++s) {
        EXPECT_TRUE(ligneCachee(s, 5));
        EXPECT_TRUE(ligneCachee(s, 14));
        EXPECT_FALSE(ligneCachee(s, 4));
    }
    cocher(IdRemplissage::Ligne0 + 5, true);
    EXPECT_FALSE(ligneCachee(2, 14));

    // "Début" after "Fin": the computation's own message, the grid as it was. (A rebuild shows
    // the record's period, which the computation's load put back to the default.)
    TestDialogs().reset();
    choisirDate(IdRemplissage::Debut, QDate(2024, 3, 9));
    EXPECT_EQ(item(IdRemplissage::Fin)->dateValue(), QDate(2024, 4, 5));
    choisirDate(IdRemplissage::Fin, QDate(2024, 3, 7));
    item(IdRemplissage::Calcul)->inplaceButton()->click();
    pomper();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Veuillez vérifier l'ordre des dates de début et de fin."));
    g->setSheet(1);
    EXPECT_EQ(g->maxRows(), 18);
}

// A row kind unticked, ticked again, with a computation between or not: what the grid shows
// follows the box every time, on every sheet.
TEST_F(FillPropertyGridTest, EveryRowKindHidesAndShowsAgainWithOrWithoutAComputation) {
    element(1, QStringLiteral("B"), 45000, QStringLiteral("C00002"));
    conducteur(1, QStringLiteral("20240307"), QStringLiteral("09"), QStringLiteral("10"), QStringLiteral("B"));
    const auto calcul = [&] {
        choisirDate(IdRemplissage::Debut, QDate(2024, 3, 6));
        choisirDate(IdRemplissage::Fin, QDate(2024, 3, 7));
        item(IdRemplissage::Calcul)->inplaceButton()->click();
        pomper();
        ASSERT_EQ(GrilleRemplissage()->tag(), QStringLiteral("O"));
    };
    // Whether the view shows the rows of a kind, on each sheet as the user turns to it: "vues",
    // "cachées" or "mêlées".
    const auto vue = [&](int k) {
        SpreadGrid* g = GrilleRemplissage();
        int vues = 0, cachees = 0;
        for (int s = 1; s <= g->sheetCount(); ++s) {
            g->sheetTabs()->setCurrentIndex(s - 1);
            g->setSheet(s);
            for (int r = k; r <= g->maxRows(); r += 9) (g->view()->isRowHidden(r - 1) ? cachees : vues)++;
        }
        g->sheetTabs()->setCurrentIndex(0);
        if (vues + cachees == 0) return std::string("aucune");
        return std::string(cachees == 0 ? "vues" : vues == 0 ? "cachées" : "mêlées");
    };
    for (int k = 1; k <= 9; ++k) cocher(IdRemplissage::Ligne0 + k, true);
    calcul();
    for (int k = 1; k <= 9; ++k) {
        SCOPED_TRACE(k);
        const int id = IdRemplissage::Ligne0 + k;
        const int voisine = k % 9 + 1;
        cocher(id, false);
        EXPECT_EQ(vue(k), "cachées");
        EXPECT_EQ(vue(voisine), "vues");
        cocher(id, true);
        EXPECT_EQ(vue(k), "vues");
        cocher(id, false);
        calcul();
        EXPECT_EQ(vue(k), "cachées");
        cocher(id, true);
        EXPECT_EQ(vue(k), "vues");
        EXPECT_EQ(valeurFichier(QStringLiteral("NatTotal")), QStringLiteral("1"));
        calcul();
        EXPECT_EQ(vue(k), "vues");
        cocher(id, false);
        cocher(id, true);
        calcul();
        EXPECT_EQ(vue(k), "vues");
        EXPECT_EQ(vue(voisine), "vues");
    }
}

// The period typed with the keys, as a user types it: each date is taken whole, kept in the
// settings, and the period's own rules still speak at "Calcul".
TEST_F(FillPropertyGridTest, ATypedPeriodIsTakenWholeAndItsRulesStillSpeak) {
    const auto taper = [&](int id, const QString& texte) {
        auto* e = qobject_cast<QDateEdit*>(item(id)->editor());
        QTest::mouseDClick(e->findChild<QLineEdit*>(), Qt::LeftButton, {}, QPoint(4, 4));
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(e, texte);
        QTest::keyClick(e, Qt::Key_Return);
        pomper();
    };
    TestDialogs().reset();
    taper(IdRemplissage::Fin, QStringLiteral("20/12/2026"));
    taper(IdRemplissage::Debut, QStringLiteral("25122026"));
    EXPECT_EQ(ParametresRemplissage.DateFin.date(), QDate(2026, 12, 20));
    EXPECT_EQ(ParametresRemplissage.DateDebut.date(), QDate(2026, 12, 25));
    EXPECT_EQ(item(IdRemplissage::Fin)->dateValue(), QDate(2026, 12, 20));
    EXPECT_TRUE(TestDialogs().shown.empty());
    item(IdRemplissage::Calcul)->inplaceButton()->click();
    pomper();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Veuillez vérifier l'ordre des dates de début et de fin."));

    // A date that does not exist leaves the settings as they were.
    TestDialogs().reset();
    taper(IdRemplissage::Fin, QStringLiteral("31/02/2027"));
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.startsWith(QStringLiteral("Fin : « 31/02/2027 » n'est pas une date.")));
    EXPECT_EQ(ParametresRemplissage.DateFin.date(), QDate(2026, 12, 20));
    EXPECT_EQ(item(IdRemplissage::Fin)->dateValue(), QDate(2026, 12, 20));
}

TEST_F(FillPropertyGridTest, CalculIsRefusedWhileSomethingRuns) {
    for (bool* drapeau : {&RemplissageEnCours, &SynchroEnCours[1], &RechercheEnCours}) {
        TestDialogs().reset();
        *drapeau = true;
        item(IdRemplissage::Calcul)->inplaceButton()->click();
        pomper();
        *drapeau = false;
        ASSERT_EQ(TestDialogs().shown.size(), 1u);
        EXPECT_TRUE(TestDialogs().shown[0].prompt.endsWith(QStringLiteral("en cours, veuillez patienter.")));
        EXPECT_EQ(GrilleRemplissage()->tag(), QString());
    }
}

}  // namespace
